// SHA-256 of a block of bytes, as lower-case hexadecimal: what an undo set
// records of every file it keeps, so that a copy damaged or replaced since
// is not put back.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace purgeon {

std::string Sha256Hex(const std::vector<std::uint8_t>& bytes);

}  // namespace purgeon
