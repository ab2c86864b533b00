// The file-system facade over this platform's implementation.
#pragma once

#include "GFileSystemBase.h"
#include "PMacFileSystemImp.h"

typedef GFileSystemBase<PMacFileSystemImp> GFileSystem;
