#include "core/base/messages.h"

#include <cstdio>
#include <utility>

#include "core/base/catalogue.h"

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

}  // namespace tunvex
