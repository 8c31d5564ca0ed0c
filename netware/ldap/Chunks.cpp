#include "netware/ldap/Chunks.h"

#include "netware/ldap/ErrorCodes.h"

#include <algorithm>
#include <cstring>

namespace nwldap {
namespace {

constexpr std::size_t kCountBytes = 4;

std::size_t recordBytes(const ListedName& name) {
    return 2 + name.name.size() + 12 + 1 + name.baseClass.size();
}

} // namespace

void ChunkBuffer::clear() {
    names_.clear();
    used_ = kCountBytes;
    read_ = 0;
    filled_ = true;
}

bool ChunkBuffer::add(ListedName name) {
    const std::size_t bytes = recordBytes(name);
    if (used_ + bytes > size_)
        return false;
    used_ += bytes;
    names_.push_back(std::move(name));
    return true;
}

nw::NWRCODE ChunkBuffer::count(nw::nuint32* count) const {
    if (!filled_)
        return kErrBadVerb;
    *count = static_cast<nw::nuint32>(names_.size());
    return nw::kSuccess;
}

nw::NWRCODE ChunkBuffer::next(char* name, nw::Object_Info_T* info) {
    if (!filled_)
        return kErrBadVerb;
    if (read_ >= names_.size())
        return kErrBufferEmpty;
    const ListedName& listed = names_[read_++];
    std::memcpy(name, listed.name.data(), listed.name.size());
    name[listed.name.size()] = '\0';
    if (info != nullptr) {
        *info = nw::Object_Info_T{};
        info->objectFlags = listed.flags;
        std::memcpy(info->baseClass, listed.baseClass.data(), listed.baseClass.size());
    }
    return nw::kSuccess;
}

} // namespace nwldap
