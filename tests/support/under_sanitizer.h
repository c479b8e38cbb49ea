// UNDER_SANITIZER: 1 when the program is built with AddressSanitizer or ThreadSanitizer, whose
// allocators hold freed memory back and whose speed is not the program's; 0 otherwise.
#pragma once

// g++ names the sanitizers by macros, clang by __has_feature.
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
#define UNDER_SANITIZER 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(thread_sanitizer)
#define UNDER_SANITIZER 1
#endif
#endif
#ifndef UNDER_SANITIZER
#define UNDER_SANITIZER 0
#endif
