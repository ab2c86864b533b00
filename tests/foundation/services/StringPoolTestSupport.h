// Helpers of the string-pool tests: a pool brought up per test, rows registered from a list, and
// texts shown as UTF-8 so that a failed check prints readable text.
#pragma once

#include <gtest/gtest.h>

#include <initializer_list>
#include <string>
#include <vector>

#include "GBasicFrameworkCoreLayer.h"
#include "GBuffer.h"
#include "GString.h"
#include "GStringPool.h"
#include "GStringPoolSupport.h"
#include "GUTF8Encoding.h"

namespace stringpooltest
{
inline std::string Utf8(GString const& text)
{
    GBuffer bytes;
    text.GetBuffer(bytes, GUTF8Encoding::GetInstance());
    return std::string(reinterpret_cast<char const*>(bytes.GetPtr()), std::size_t(bytes.GetLength()));
}

inline GString FromUtf8(std::string const& text)
{
    return GString(reinterpret_cast<unsigned char const*>(text.data()), int(text.size()),
                   GUTF8Encoding::GetInstance(), false);
}

// Registers the rows for language in the named encoding; the row texts must outlive the call only.
inline void Register(char const* language, std::vector<GStringPoolDataStruct> rows,
                     char const* encoding = "WinAnsiEncoding", bool hex = false)
{
    GStringPoolSupport::AddStringPoolData(GBuffer(language), encoding, rows.data(), int(rows.size()), hex);
}

// Each test gets a pool of its own, without the framework's built-in tables; the framework's strings
// come back when it ends.
class StringPoolFixture : public ::testing::Test
{
protected:
    void SetUp() override
    {
        GBasicFrameworkCoreLayer::FinalizeStrings();
        GStringPool::Initialize();
    }
    void TearDown() override
    {
        GStringPool::Finalize();
        GBasicFrameworkCoreLayer::InitializeStrings();
    }
};
} // namespace stringpooltest
