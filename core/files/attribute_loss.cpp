#include "core/files/attribute_loss.h"

#include <utility>

namespace tunvex {

std::string DescribeAttributeLoss(unsigned notKept) {
    static const std::pair<unsigned, const char*> kNames[] = {
        {kLostOwner, "owner"}, {kLostPermissions, "permissions"},
        {kLostTimes, "times"}, {kLostExtendedAttributes, "extended attributes"},
        {kLostAcl, "ACL"},
    };
    std::string described;
    for (const auto& [bit, name] : kNames) {
        if ((notKept & bit) != 0)
            described += (described.empty() ? "" : ", ") + std::string(name);
    }
    return described;
}

}  // namespace tunvex
