#pragma once
// Bytes as one lower-case hexadecimal string, as the bus node files and the
// state file keep them, and back.

#include <cstdint>
#include <string>
#include <vector>

std::string SimHexText(const std::vector<uint8_t>& bytes);

// False (out unchanged) when the text is not an even number of hex digits.
bool SimParseHex(const std::string& text, std::vector<uint8_t>& out);
