#pragma once

#include <cstdint>

namespace waytrace {

// The character a single post-data byte stands for in Windows-1252, the code page the recorded
// bodies were always read with. The five bytes that code page leaves undefined map to the code
// point of the same value, so every byte keeps a character of its own.
char16_t ansiCharacter(std::uint8_t byte);

// The byte a character stands for, the reverse of ansiCharacter; '?' for a character that no
// byte stands for.
std::uint8_t ansiByte(char16_t character);

} // namespace waytrace
