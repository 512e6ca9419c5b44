// What a copy could not keep of its source's attributes.
#pragma once

#include <string>

namespace tunvex {

// What a copy could not keep because the destination refused it; bits of StagedCopy::notKept.
enum AttributeLoss : unsigned {
    kLostOwner = 1,  // only counted for root: others cannot give files away
    kLostPermissions = 2,
    kLostTimes = 4,
    kLostExtendedAttributes = 8,  // user.*
    kLostAcl = 16,                // the access ACL
};

// "permissions, times" and the like, for the bits of notKept.
std::string DescribeAttributeLoss(unsigned notKept);

}  // namespace tunvex
