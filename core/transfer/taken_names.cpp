#include "core/transfer/taken_names.h"

#include <algorithm>
#include <bit>
#include <functional>

namespace tunvex {
namespace {

// A file takes its name at the staging, and a numbered one at its claim: at most one bit in
// sixteen is set, so at most one look in sixteen at a free name is spent for nothing.
constexpr std::size_t kBitsPerFile = 32;

}  // namespace

void TakenNames::Expect(std::size_t files) {
    bits_.assign(std::bit_ceil(std::max(files * kBitsPerFile, bits_.size())), false);
}

std::size_t TakenNames::BitOf(const std::string& name) const {
    return std::hash<std::string>{}(name) & (bits_.size() - 1);
}

void TakenNames::Take(const std::string& name) {
    bits_[BitOf(name)] = true;
}

bool TakenNames::MayBeTaken(const std::string& name) const {
    return bits_[BitOf(name)];
}

}  // namespace tunvex
