#pragma once
// Whether the test program is built with the address or thread sanitizer. gcc defines
// __SANITIZE_ADDRESS__ / __SANITIZE_THREAD__; clang answers through __has_feature instead.
#if defined(__SANITIZE_ADDRESS__)
#define QUILLMAR_ASAN 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define QUILLMAR_ASAN 1
#endif
#endif
#ifndef QUILLMAR_ASAN
#define QUILLMAR_ASAN 0
#endif

#if defined(__SANITIZE_THREAD__)
#define QUILLMAR_TSAN 1
#elif defined(__has_feature)
#if __has_feature(thread_sanitizer)
#define QUILLMAR_TSAN 1
#endif
#endif
#ifndef QUILLMAR_TSAN
#define QUILLMAR_TSAN 0
#endif
