// Placeholder until the bitmap decoder lands: honours single-resource mode and decodes nothing.
#include "bitmap/parse_resource.hpp"

namespace tesk {

void parsersrc(ExtractionContext& ctx) {
    ctx.errorResourceName = ctx.resourceName;
    if (ctx.flags.single) {
        if (ctx.resourceName != ctx.singleResourceName) return;
        if (ctx.singleResourceType != "abmp") ctx.stopRequested = true;
    }
}

}  // namespace tesk
