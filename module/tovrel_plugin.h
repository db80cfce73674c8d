// The module's exported interface: five C entry points that a host resolves by
// name or ordinal. Boolean results come back as a full 32-bit 1 or 0 so that a
// host testing either the low byte or the whole register sees the same answer.
#pragma once

#include <cstdint>

#if defined(_WIN32) && !defined(_WIN64)
#define TOVREL_CALL __stdcall
#else
#define TOVREL_CALL
#endif

// On Windows the module's .def file names the exports.
#if defined(_WIN32)
#define TOVREL_EXPORT
#else
#define TOVREL_EXPORT __attribute__((visibility("default")))
#endif

extern "C" {

// Shows "Initialize Event, version: " and the version; returns 1.
TOVREL_EXPORT std::int32_t TOVREL_CALL Initialize(std::int32_t version, std::uintptr_t ignored2,
                                                  std::uintptr_t ignored3);

// Shows "UnInitialize".
TOVREL_EXPORT void TOVREL_CALL Uninitialize();

// Shows the command and the appended text run together, then writes the
// module's result text and a zero byte into `result`; returns 1.
TOVREL_EXPORT std::int32_t TOVREL_CALL ParseCommand(const char* command, const char* appended,
                                                    std::uintptr_t ignored3, char* result);

// Shows the tag, then writes "test" and a zero byte into `result`; returns 1.
TOVREL_EXPORT std::int32_t TOVREL_CALL ParseTag(const char* tag, std::uintptr_t ignored2,
                                                char* result);

// Shows the notification text; returns 0 (not handled).
TOVREL_EXPORT std::int32_t TOVREL_CALL ReceiveNotify(std::uintptr_t ignored1, const char* text,
                                                     std::uintptr_t ignored3,
                                                     std::uintptr_t ignored4);
}
