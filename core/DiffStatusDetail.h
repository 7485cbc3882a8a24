// The checksum entry point of the status rules, for files the scan already knows to be regular.
#pragma once

#include <cstdint>
#include <string>

namespace quillon::detail {

int ChecksumRegularFile(const std::string& path, bool simple, uint32_t& checksum);

}  // namespace quillon::detail
