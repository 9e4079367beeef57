// The version record every program of the project carries in its file: a marker that
// the reader looks for, then the fixed version words.
#pragma once

#include <cstdint>

struct VS_FIXEDFILEINFO {
    std::uint32_t dwSignature;
    std::uint32_t dwStrucVersion;
    std::uint32_t dwFileVersionMS;
    std::uint32_t dwFileVersionLS;
    std::uint32_t dwProductVersionMS;
    std::uint32_t dwProductVersionLS;
    std::uint32_t dwFileFlagsMask;
    std::uint32_t dwFileFlags;
    std::uint32_t dwFileOS;
    std::uint32_t dwFileType;
    std::uint32_t dwFileSubtype;
    std::uint32_t dwFileDateMS;
    std::uint32_t dwFileDateLS;
};
static_assert(sizeof(VS_FIXEDFILEINFO) == 52);

constexpr std::uint32_t kVersionSignature = 0xFEEF04BD;
// Sixteen bytes, no terminator, so the reader's own copy of the marker (which is followed
// by a zero byte rather than the signature) is never taken for the record.
constexpr char kVersionMarker[] = "QuarnVersionInfo";
constexpr std::size_t kVersionMarkerSize = sizeof kVersionMarker - 1;

struct ModuleVersionRecord {
    char marker[kVersionMarkerSize];
    VS_FIXEDFILEINFO info;  // little-endian words
};
