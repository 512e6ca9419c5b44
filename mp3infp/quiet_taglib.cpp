#include "quiet_taglib.h"

#include <taglib/tdebuglistener.h>

#include <mutex>

namespace mp3infp {
namespace {

class DroppingListener : public TagLib::DebugListener {
  public:
    void printMessage(const TagLib::String&) override {}
};

}  // namespace

void SilenceTagLib() {
    static DroppingListener listener;
    static std::once_flag installed;
    std::call_once(installed, [] { TagLib::setDebugListener(&listener); });
}

}  // namespace mp3infp
