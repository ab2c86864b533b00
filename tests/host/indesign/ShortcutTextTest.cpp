// The shortcut utilities read a shortcut's text into a key and modifier bits, and refuse text that
// reads as no shortcut.
#include "HostTestSupport.h"

#include "IShortcutManager.h"
#include "IShortcutUtils.h"
#include "UtilsBoss.h"

namespace
{
using hosttest::HostTest;

using ShortcutTextTest = HostTest;

TEST_F(ShortcutTextTest, ReadsModifiersAndOneKey)
{
    InterfacePtr<IShortcutUtils> const utils(UtilsBoss::QueryUtils<IShortcutUtils>());
    ASSERT_TRUE(utils);
    struct Case
    {
        char const* text;
        bool read;
        int32 key;
        int32 modifiers;
    };
    Case const cases[] = {
        {"Opt+Shift+E", true, 'E', IShortcutManager::kOption | IShortcutManager::kShift},
        {"Cmd+Ctrl+b", true, 'B', IShortcutManager::kCommand | IShortcutManager::kControl},
        {"7", true, '7', 0},
        {"Shift+F5", true, 0x10005, IShortcutManager::kShift},
        {"", false, 0, 0},
        {"Opt+", false, 0, 0},
        {"Opt+Opt+E", false, 0, 0},
        {"Alt+E", false, 0, 0},
        {"Opt+EE", false, 0, 0},
        {"F16", false, 0, 0},
        {"F0", false, 0, 0},
        {"+", false, 0, 0},
    };
    for (Case const& test : cases)
    {
        SCOPED_TRACE(test.text);
        int32 key = -1;
        int32 modifiers = -1;
        ASSERT_EQ(test.read ? kTrue : kFalse,
                  utils->ParseShortcutString(PMString(test.text), key, modifiers));
        EXPECT_EQ(test.read ? test.key : -1, key);
        EXPECT_EQ(test.read ? test.modifiers : -1, modifiers);
    }
}
} // namespace
