// Whether this build runs under AddressSanitizer. Its shadow memory and
// quarantine make the process's resident size meaningless, so tests that
// hold memory to a ceiling skip themselves there.
#pragma once

#if defined(__SANITIZE_ADDRESS__)
#define QV_UNDER_ASAN 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define QV_UNDER_ASAN 1
#endif
#endif

#ifndef QV_UNDER_ASAN
#define QV_UNDER_ASAN 0
#endif

namespace qv::testkit {

inline constexpr bool kUnderAsan = QV_UNDER_ASAN != 0;

}  // namespace qv::testkit

// Skips the current test under AddressSanitizer, saying why.
#define QV_SKIP_UNDER_ASAN(why)                                          \
    do {                                                                 \
        if constexpr (::qv::testkit::kUnderAsan) GTEST_SKIP() << (why); \
    } while (0)
