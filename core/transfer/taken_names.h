// The names a request took in folders it made, as one bit of each name's hash: a name whose bit is
// set is looked at on the disk, so two names that share a bit cost a look, never a file. A set of
// the names or of their hashes would cost more per file than the rest of its entry.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace tunvex {

class TakenNames {
  public:
    // Room for the names of this many files, before the first Take.
    void Expect(std::size_t files);
    void Take(const std::string& name);
    bool MayBeTaken(const std::string& name) const;

  private:
    std::size_t BitOf(const std::string& name) const;

    std::vector<bool> bits_ = std::vector<bool>(1024);
};

}  // namespace tunvex
