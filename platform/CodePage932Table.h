#pragma once

// Code page 932 as Windows maps it, written by make_codepage932_table.py from Python's cp932 codec
// so that the settings files read the same whatever converter library the system has. U+FFFD
// marks what is no character (no byte sequence of the code page means U+FFFD).
namespace CodePage932::Table {

constexpr char16_t noCharacter = u'\uFFFD';

// Each byte on its own; noCharacter for the bytes that only start a pair.
extern const char16_t singleBytes[256];

// The pairs, by first byte (0x81-0x9F, then 0xE0-0xFC) and second byte (0x40-0xFC).
constexpr int firstLowLead = 0x81;
constexpr int lowLeadCount = 0x9F - 0x81 + 1;
constexpr int firstHighLead = 0xE0;
constexpr int leadCount = lowLeadCount + (0xFC - 0xE0 + 1);
constexpr int firstTrail = 0x40;
constexpr int trailCount = 0xFC - 0x40 + 1;
extern const char16_t doubleBytes[leadCount][trailCount];

} // namespace CodePage932::Table
