// A fresh folder for each file-system test, with the file kinds registered, and short ways to name
// a place in it as a path and as a std::filesystem path.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "FileTree.h"
#include "GFileType.h"
#include "TempFolder.h"

class FileSystemFixture : public ::testing::Test
{
protected:
    static void SetUpTestSuite() { GFileType::Initialize(); }
    static void TearDownTestSuite() { GFileType::Finalize(); }

    GPathName At(std::string const& relative) const { return testsupport::PathOf(fRoot / relative); }
    std::filesystem::path Fs(std::string const& relative) const { return fRoot / relative; }

    testsupport::TempFolder fRoot{"sendrix-fs"};
};
