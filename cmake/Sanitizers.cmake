# Every target of the project links `sendrix_options`: warnings, and the sanitizers when asked.
# A target that must run without them (a child process that exhausts its address space) links
# `sendrix_plain_options` instead.
add_library(sendrix_plain_options INTERFACE)
target_compile_options(sendrix_plain_options INTERFACE -Wall -Wextra)

add_library(sendrix_options INTERFACE)
target_link_libraries(sendrix_options INTERFACE sendrix_plain_options)
if(SENDRIX_FUZZ)
  # Everything is instrumented for libFuzzer's coverage; only the fuzz programs link its driver.
  set(_san -fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer)
  target_compile_options(sendrix_options INTERFACE ${_san} -fsanitize=fuzzer-no-link)
  target_link_options(sendrix_options INTERFACE ${_san})
elseif(SENDRIX_SANITIZE)
  set(_san -fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer)
  target_compile_options(sendrix_options INTERFACE ${_san})
  target_link_options(sendrix_options INTERFACE ${_san})
endif()
