// The licence dialog: the bundle's plain-text licence file as the dialog shows it (paragraphs,
// headings, the legal notices' own line breaks, markup characters as typed), a file that cannot be
// read shown as that error instead of ending the host, and the dialog's window.
#include <gtest/gtest.h>

#include <QPushButton>
#include <QTextBlock>
#include <QTextBrowser>
#include <QTextCursor>
#include <QTextDocument>

#include <filesystem>
#include <string>

#include "CopyrightDialog.h"
#include "FileTree.h"
#include "PluginUIFixture.h"
#include "TempFolder.h"

namespace
{
namespace fs = std::filesystem;

class CopyrightDialogTest : public ::testing::Test
{
protected:
    fs::path LicenseFile() const { return fUI.Contents() / "Resources" / "Licenses" / "TextInSoftware.txt"; }
    // The HTML the dialog shows for a licence file of that content.
    std::string HtmlOf(std::string const& content)
    {
        testsupport::WriteFile(LicenseFile(), content);
        CopyrightDialog const dialog(nullptr);
        return dialog.GetHtml().toStdString();
    }
    static QTextBrowser* Browser(CopyrightDialog& dialog) { return dialog.findChild<QTextBrowser*>(); }

    testsupport::TempFolder fTemp;
    plugintest::PluginUIScope fUI{fTemp.Path()};
};
} // namespace

TEST_F(CopyrightDialogTest, TheLicenseTextBecomesParagraphsHeadingsAndNotices)
{
    struct Case
    {
        char const* fName;
        std::string fText;
        std::string fHtml;
    };
    Case const cases[] = {
        {"a heading", "This product includes software developed by the Foo Project.\n\n",
         "<p><strong>This product includes software developed by the Foo Project.</strong></p>"},
        {"a heading's text of two lines is a plain paragraph",
         "This product includes software\ndeveloped by the Foo Project.\n\n",
         "<p>This product includes software\ndeveloped by the Foo Project.</p>"},
        {"the heading's text on a later line", "Licensed under MIT.\nThis product includes software by Foo.\n\n",
         "<p>Licensed under MIT.\nThis product includes software by Foo.</p>"},
        {"the heading ends with its paragraph", "This product includes software by Foo.\n\nCopyright Foo.\n\n",
         "<p><strong>This product includes software by Foo.</strong></p><p>Copyright Foo.</p>"},
        {"lines of a paragraph keep a break between them", "Permission is granted\nto copy.\n\n",
         "<p>Permission is granted\nto copy.</p>"},
        {"notices keep every line break to the end of the file",
         "Intro.\n\nFor more legal notices see below.\nFirst\n\nSecond\nThird\n\n",
         "<p>Intro.</p><p><br><br><br>For more legal notices see below.<br>\nFirst<br></p>"
         "<p>Second<br>\nThird<br></p>"},
        {"notices need the words at the paragraph's start", "See:\nFor more legal notices see below.\n\n",
         "<p>See:\nFor more legal notices see below.</p>"},
        {"a rule of dashes ends a paragraph and is not shown", "First\n------------\nSecond\n-\n",
         "<p>First</p><p>Second</p>"},
        {"blanks alone end a paragraph", "First\n \t  \nSecond\n\n", "<p>First</p><p>Second</p>"},
        {"several empty lines make no empty paragraphs", "First\n\n\n\nSecond\n\n", "<p>First</p><p>Second</p>"},
        {"markup characters are shown as typed", "a < b && c > \"d\" ''e'' it's\n\n",
         "<p>a &lt; b &amp;&amp; c &gt; &quot;d&quot; &quot;e&quot; it's</p>"},
        {"a last paragraph without an empty line after it", "First\n\nAlpha\nBeta",
         "<p>First</p>Alpha\nBeta"},
        {"CR LF line ends", "One\r\nTwo\r\n\r\nThree\r\n\r\n", "<p>One\nTwo</p><p>Three</p>"},
        {"classic Mac line ends", "One\rTwo\r\rThree\r\r", "<p>One\nTwo</p><p>Three</p>"},
        {"UTF-8", "Copyright \xC2\xA9 2025 J\xC3\xBCrgen\n\n", "<p>Copyright \xC2\xA9 2025 J\xC3\xBCrgen</p>"},
        {"an empty file", "", ""},
    };
    for (Case const& c : cases)
    {
        SCOPED_TRACE(c.fName);
        EXPECT_EQ(HtmlOf(c.fText), c.fHtml);
    }
}

TEST_F(CopyrightDialogTest, TheBrowserShowsHeadingsBoldAndLinesWithoutRunningWordsTogether)
{
    testsupport::WriteFile(LicenseFile(), "This product includes software developed by Foo.\n\n"
                                          "Redistribution is permitted\nprovided that a < b & c.\n\n");
    CopyrightDialog dialog(nullptr);
    QTextBrowser* const browser = Browser(dialog);
    ASSERT_NE(browser, nullptr);
    EXPECT_TRUE(browser->isReadOnly());
    EXPECT_EQ(browser->toPlainText().toStdString(), "This product includes software developed by Foo.\n"
                                                    "Redistribution is permitted provided that a < b & c.");
    QTextBlock const heading = browser->document()->firstBlock();
    EXPECT_GE(QTextCursor(heading).charFormat().fontWeight(), QFont::Bold);
    QTextCursor body(heading.next());
    body.movePosition(QTextCursor::NextCharacter);
    EXPECT_LT(body.charFormat().fontWeight(), QFont::Bold);
}

TEST_F(CopyrightDialogTest, ALicenseFileThatCannotBeReadIsShownAsItsError)
{
    struct Case
    {
        char const* fName;
        bool fFolder;
    };
    for (Case const& c : {Case{"missing", false}, Case{"a folder in its place", true}})
    {
        SCOPED_TRACE(c.fName);
        fs::remove_all(LicenseFile());
        if (c.fFolder)
            fs::create_directories(LicenseFile());
        std::string html;
        EXPECT_NO_THROW({
            CopyrightDialog dialog(nullptr);
            html = dialog.GetHtml().toStdString();
            EXPECT_NE(Browser(dialog)->toPlainText().indexOf("Unable to read the license texts."), -1);
        });
        EXPECT_EQ(html.rfind("<p>Unable to read the license texts.</p><p>", 0), 0u) << html;
        EXPECT_NE(html.find(LicenseFile().string()), std::string::npos) << "the error names the file: " << html;
    }
}

TEST_F(CopyrightDialogTest, TheWindowStaysOnTopWithoutHelpButtonAndDoneAcceptsIt)
{
    testsupport::WriteFile(LicenseFile(), "MIT License\n\n");
    CopyrightDialog dialog(nullptr);
    EXPECT_EQ(dialog.windowTitle(), "Copyrights");
    Qt::WindowFlags const flags = dialog.windowFlags();
    for (Qt::WindowType const flag : {Qt::CustomizeWindowHint, Qt::WindowTitleHint, Qt::WindowSystemMenuHint,
                                      Qt::WindowMaximizeButtonHint, Qt::WindowStaysOnTopHint})
        EXPECT_TRUE(flags.testFlag(flag)) << std::hex << flag;
    EXPECT_FALSE(flags.testFlag(Qt::WindowContextHelpButtonHint));
    EXPECT_EQ(dialog.minimumSize(), QSize(550, 450));

    auto* const done = dialog.findChild<QPushButton*>();
    ASSERT_NE(done, nullptr);
    EXPECT_EQ(done->text(), "Done");
    EXPECT_TRUE(done->isDefault());
    dialog.show();
    done->click();
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
}
