#include "quiet_taglib.h"

#include <taglib/tdebuglistener.h>

namespace mp3infp {
namespace {

// Installed on first use and taken back when this library is unloaded: a host that uses TagLib
// itself keeps TagLib loaded after us, and must not be left with a listener that is gone.
class DroppingListener : public TagLib::DebugListener {
  public:
    DroppingListener() { TagLib::setDebugListener(this); }
    ~DroppingListener() override { TagLib::setDebugListener(nullptr); }
    void printMessage(const TagLib::String&) override {}
};

}  // namespace

void SilenceTagLib() {
    static DroppingListener listener;
}

}  // namespace mp3infp
