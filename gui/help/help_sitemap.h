// The contents (.hhc) and index (.hhk) of a help file: HTML lists of sitemap objects.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace tunvex {

struct HelpTopic {
    std::string name;
    std::string local;  // the page, maybe with "#anchor"; empty for a heading without a page
    std::vector<HelpTopic> children;
};

// The topics nested as the file's <ul> lists nest them; for each, its first name and first page.
// Character references in values are resolved; anything that is not a sitemap object is
// passed over, so a damaged file gives what can be read of it.
std::vector<HelpTopic> ParseSitemap(std::string_view text);

}  // namespace tunvex
