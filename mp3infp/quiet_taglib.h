#pragma once

namespace mp3infp {

// Keeps TagLib's debug messages off the host's stderr.
void SilenceTagLib();

}  // namespace mp3infp
