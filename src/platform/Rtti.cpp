#include "platform/Rtti.h"

#include "platform/Text.h"

namespace rtti {

const PropInfo* ClassInfo::FindProperty(const std::string& name) const {
    for (const ClassInfo* c = this; c; c = c->FParent)
        for (const PropInfo& p : c->FProps)
            if (platform::SameTextAscii(p.name, name)) return &p;
    return nullptr;
}

std::vector<const PropInfo*> ClassInfo::Properties() const {
    std::vector<const PropInfo*> out;
    for (const ClassInfo* c = this; c; c = c->FParent)
        for (const PropInfo& p : c->FProps) out.push_back(&p);
    return out;
}

ClassInfo& ClassInfo::Add(PropInfo info) {
    FProps.push_back(std::move(info));
    return *this;
}

} // namespace rtti
