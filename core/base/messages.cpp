#include "core/base/messages.h"

#include <cstdio>
#include <utility>

#include "core/base/catalogue.h"
#include "core/base/paths.h"

namespace tunvex {
namespace {

MessageSink& CurrentSink() {
    static MessageSink sink;
    return sink;
}

}  // namespace

MessageSink SetMessageSink(MessageSink sink) {
    return std::exchange(CurrentSink(), std::move(sink));
}

void ShowMessage(unsigned id) {
    std::string text;
    LoadCatalogueString(id, text);
    if (CurrentSink()) {
        CurrentSink()(id, text);
    } else {
        std::fprintf(stderr, "%s\n", text.c_str());
    }
}

void PrintProgramMessage(const std::string& text) {
    std::fprintf(stderr, "%s: %s\n", ExecutableBaseName().c_str(), text.c_str());
}

}  // namespace tunvex
