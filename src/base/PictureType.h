#pragma once
// Picture files as the program keeps them: known by their first bytes.

#include <cstdint>
#include <string>

namespace pw {

// Largest picture a job or a book keeps.
inline constexpr uint64_t kMaxPictureBytes = 20u * 1024 * 1024;

// File name extension for picture bytes by their signature ("png", "jpg", "gif",
// "bmp", "webp"), or null.
const char* SniffPictureExtension(const std::string& head);

}  // namespace pw
