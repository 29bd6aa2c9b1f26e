/* Marks the functions a program may call in libkvs. The library is built with
   every other symbol hidden; on Windows it is a static library, so nothing is
   imported there. */
#pragma once

#if defined(_WIN32)
#define KVS_API
#elif defined(__GNUC__)
#define KVS_API __attribute__((visibility("default")))
#else
#define KVS_API
#endif
