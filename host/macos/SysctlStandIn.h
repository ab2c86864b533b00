// This project's stand-in for the one system-information value the platform layer reads by name:
// "machdep.cpu.brand_string", the processor's name from /proc/cpuinfo ("model name").
#pragma once

#include <cstddef>

// As on the platform: 0 on success, -1 with errno set (ENOENT for an unknown name or a machine
// whose processor names no model, EPERM for a write, ENOMEM when oldp is too small, after copying
// what fits). Without oldp it only measures into *oldlenp. The text ends with a zero byte.
int sysctlbyname(char const* name, void* oldp, std::size_t* oldlenp, void* newp, std::size_t newlen);
