#include "gui/help/help_sitemap.h"

#include <cctype>
#include <cstdint>
#include <optional>

namespace tunvex {
namespace {

std::string Lower(std::string_view text) {
    std::string lower(text);
    for (char& c : lower)
        c = char(std::tolower(static_cast<unsigned char>(c)));
    return lower;
}

void AppendUtf8(std::string& out, uint32_t code) {
    if (code < 0x80) {
        out += char(code);
    } else if (code < 0x800) {
        out += char(0xC0 | code >> 6);
        out += char(0x80 | (code & 0x3F));
    } else if (code < 0x10000) {
        out += char(0xE0 | code >> 12);
        out += char(0x80 | (code >> 6 & 0x3F));
        out += char(0x80 | (code & 0x3F));
    } else if (code < 0x110000) {
        out += char(0xF0 | code >> 18);
        out += char(0x80 | (code >> 12 & 0x3F));
        out += char(0x80 | (code >> 6 & 0x3F));
        out += char(0x80 | (code & 0x3F));
    }
}

std::string DecodeReferences(std::string_view text) {
    static const std::pair<std::string_view, char> kNamed[] = {
        {"amp", '&'}, {"lt", '<'}, {"gt", '>'}, {"quot", '"'}, {"apos", '\''}};
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const std::size_t end = text.find(';', i);
        if (text[i] != '&' || end == std::string_view::npos || end - i > 10) {
            out += text[i];
            continue;
        }
        const std::string_view name = text.substr(i + 1, end - i - 1);
        std::optional<uint32_t> code;
        if (name.starts_with("#x") || name.starts_with("#X"))
            code = uint32_t(std::strtoul(std::string(name.substr(2)).c_str(), nullptr, 16));
        else if (name.starts_with("#"))
            code = uint32_t(std::strtoul(std::string(name.substr(1)).c_str(), nullptr, 10));
        for (const auto& [entity, c] : kNamed) {
            if (name == entity)
                code = uint32_t(c);
        }
        if (!code || *code == 0) {
            out += text[i];
            continue;
        }
        AppendUtf8(out, *code);
        i = end;
    }
    return out;
}

// The value of attribute name in a tag's text ("param name=Name value=\"x\""); nullopt when
// the tag has none.
std::optional<std::string> Attribute(std::string_view tag, std::string_view name) {
    const std::string lower = Lower(tag);
    for (std::size_t at = lower.find(name); at != std::string::npos;
         at = lower.find(name, at + 1)) {
        std::size_t i = at + name.size();
        const bool startsWord = at > 0 && std::isspace(static_cast<unsigned char>(lower[at - 1]));
        while (i < tag.size() && tag[i] == ' ')
            ++i;
        if (!startsWord || i >= tag.size() || tag[i] != '=')
            continue;
        for (++i; i < tag.size() && tag[i] == ' ';)
            ++i;
        if (i < tag.size() && (tag[i] == '"' || tag[i] == '\'')) {
            const std::size_t close = tag.find(tag[i], i + 1);
            return DecodeReferences(tag.substr(i + 1, close - i - 1));
        }
        std::size_t end = i;
        while (end < tag.size() && !std::isspace(static_cast<unsigned char>(tag[end])))
            ++end;
        return DecodeReferences(tag.substr(i, end - i));
    }
    return std::nullopt;
}

}  // namespace

std::vector<HelpTopic> ParseSitemap(std::string_view text) {
    std::vector<HelpTopic> root;
    // The lists being filled: a <ul> opens the children of the topic just read.
    std::vector<std::vector<HelpTopic>*> lists{&root};
    // The object being read, while inObject.
    HelpTopic pending;
    bool inObject = false;
    // An object ends at its </object>, or where the next one or a list starts or ends.
    auto endObject = [&] {
        if (inObject && !pending.name.empty())
            lists.back()->push_back(std::move(pending));
        pending = {};
        inObject = false;
    };
    for (std::size_t open = text.find('<'); open != std::string_view::npos;
         open = text.find('<', open + 1)) {
        const std::size_t close = text.find('>', open);
        if (close == std::string_view::npos)
            break;
        const std::string_view tag = text.substr(open + 1, close - open - 1);
        const std::string lower = Lower(tag.substr(0, tag.find_first_of(" \t\r\n")));
        open = close;
        if (lower == "param" && inObject) {
            const std::string name = Lower(Attribute(tag, "name").value_or(""));
            std::string value = Attribute(tag, "value").value_or("");
            if (name == "name" && pending.name.empty())
                pending.name = std::move(value);
            else if (name == "local" && pending.local.empty())
                pending.local = std::move(value);
            continue;
        }
        if (lower != "ul" && lower != "/ul" && lower != "object" && lower != "/object")
            continue;
        endObject();
        if (lower == "ul") {
            std::vector<HelpTopic>* list = lists.back();
            lists.push_back(list->empty() || lists.size() == 1 ? list : &list->back().children);
        } else if (lower == "/ul" && lists.size() > 1) {
            lists.pop_back();
        } else if (lower == "object" &&
                   Lower(Attribute(tag, "type").value_or("")) == "text/sitemap") {
            inObject = true;
        }
    }
    endObject();
    return root;
}

}  // namespace tunvex
