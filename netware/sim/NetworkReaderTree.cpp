#include "netware/sim/NetworkReader.h"

#include "netware/Charset.h"
#include "netware/DottedName.h"
#include "netware/sim/NameRules.h"

#include <algorithm>

namespace nwsim::loader {
namespace {

std::string classList() {
    std::string out;
    for (int c = 0; c <= static_cast<int>(ObjectClass::Other); ++c)
        out += (out.empty() ? "" : ", ") + std::string(className(static_cast<ObjectClass>(c)));
    return out;
}

ObjectClass checkedClass(const Json& object, const std::string& place, bool atTop) {
    const std::string classPlace = at(place, "class");
    const std::string& classText = text(object["class"], classPlace);
    const auto cls = classFromName(classText);
    if (!cls)
        refuse(classPlace, "unknown class " + inQuotes(classText) + " (known: " + classList() + ")");
    if (atTop && *cls != ObjectClass::Country && *cls != ObjectClass::Organization)
        refuse(classPlace,
               "only a Country or an Organization can stand directly below [Root], not " + inQuotes(classText));
    return *cls;
}

} // namespace

void NetworkReader::readTree(const Json* value, const std::string& place) {
    Entry root;
    root.name = "[Root]";
    net_.entries.push_back(std::move(root));
    hasGivenId_.push_back(false);
    if (value != nullptr)
        readChildren(*value, place, 0, 0);
    assignObjectIds();
}

void NetworkReader::readChildren(const Json& value, const std::string& place, std::uint32_t parent,
                                 std::size_t nameLength) {
    const auto& list = array(value, place);
    if (!list.empty() && parent != 0 && !isContainerClass(net_.entries[parent].cls))
        refuse(place, "a " + std::string(className(net_.entries[parent].cls)) +
                          " is a leaf object and cannot hold other objects");
    SiblingNames names;
    for (std::size_t i = 0; i < list.size(); ++i) {
        const std::uint32_t child = readObject(list[i], at(place, i), parent, nameLength, names);
        // Index again after every child: reading it grew the vector.
        net_.entries[parent].children.push_back(child);
        if (isContainerClass(net_.entries[child].cls))
            net_.entries[parent].containers.push_back(child);
    }
}

std::uint32_t NetworkReader::readObject(const Json& value, const std::string& place, std::uint32_t parent,
                                        std::size_t parentNameLength, SiblingNames& siblings) {
    const Json& object = checkedObject(value, place, "object");
    Entry entry;
    entry.cls = checkedClass(object, place, parent == 0);
    entry.parent = parent;

    const std::string namePlace = at(place, "name");
    const std::string& utf8 = text(object["name"], namePlace);
    if (utf8.empty())
        refuse(namePlace, "a name cannot be empty");
    if (hasControlCharacter(utf8))
        refuse(namePlace, "the name " + inQuotes(utf8) + " contains a control character");
    entry.name = nw::utf8ToCp1252(utf8);
    const std::size_t nameLength = checkedNameLength(entry, utf8, namePlace, parentNameLength);
    if (const auto [it, added] = siblings.emplace(nw::foldedCp1252(entry.name), namePlace); !added)
        refuse(namePlace, "the name " + inQuotes(utf8) + " is already used in this container, by " + it->second +
                              " (names ignore case)");
    readId(object, place, entry);

    const auto index = static_cast<std::uint32_t>(net_.entries.size());
    net_.entries.push_back(std::move(entry));
    if (const Json* v = member(object, "usage"))
        readUsages(*v, at(place, "usage"), index);
    if (const Json* v = member(object, "children"))
        readChildren(*v, at(place, "children"), index, nameLength);
    return index;
}

// The length of the entry's full typed name, which must fit a distinguished
// name. Typed names escape '.', '=', '+' and '\', so each counts twice.
std::size_t NetworkReader::checkedNameLength(const Entry& entry, const std::string& utf8, const std::string& place,
                                             std::size_t parentNameLength) const {
    const std::string own = nw::componentText({namingAttribute(entry.cls), entry.name});
    const std::size_t length = entry.parent == 0 ? own.size() : own.size() + 1 + parentNameLength;
    if (length > nw::kMaxDnChars) {
        const std::string written = std::string(namingAttribute(entry.cls)) + "=" + utf8;
        refuse(place, "the full name " + (entry.parent == 0 ? written : written + "." + typedName(entry.parent)) +
                          " is " + std::to_string(length) + " characters long; at most " +
                          std::to_string(nw::kMaxDnChars) + " fit");
    }
    return length;
}

void NetworkReader::readId(const Json& object, const std::string& place, Entry& entry) {
    const Json* v = member(object, "id");
    hasGivenId_.push_back(v != nullptr);
    if (v == nullptr)
        return;
    const std::string idPlace = at(place, "id");
    entry.objectId = static_cast<nw::nuint32>(wholeNumber(*v, idPlace, 1, UINT32_MAX));
    if (const auto [it, added] = givenIds_.emplace(entry.objectId, idPlace); !added)
        refuse(idPlace, "object ID " + std::to_string(entry.objectId) + " is already given at " + it->second);
}

void NetworkReader::readUsages(const Json& value, const std::string& place, std::uint32_t entry) {
    const auto& list = array(value, place);
    const auto begin = static_cast<std::uint32_t>(net_.usages.size());
    for (std::size_t i = 0; i < list.size(); ++i) {
        const std::string usagePlace = at(place, i);
        const Json& usage = checkedObject(list[i], usagePlace, "usage");
        Usage out;
        const std::string serverPlace = at(usagePlace, "server");
        out.server = serverNamed(text(usage["server"], serverPlace), serverPlace);
        const Server& server = net_.servers[out.server];
        const std::string volumePlace = at(usagePlace, "volume");
        out.volume = static_cast<nw::nuint16>(wholeNumber(usage["volume"], volumePlace, 0, nw::kMaxVolumes - 1));
        if (std::none_of(server.volumes.begin(), server.volumes.end(),
                         [&](const Volume& v) { return v.number == out.volume; }))
            refuse(volumePlace,
                   "the server " + nw::cp1252ToUtf8(server.name) + " has no volume " + std::to_string(out.volume));
        for (std::uint32_t u = begin; u < net_.usages.size(); ++u) {
            if (net_.usages[u].server == out.server && net_.usages[u].volume == out.volume)
                refuse(usagePlace, "a second figure for volume " + std::to_string(out.volume) + " of " +
                                       nw::cp1252ToUtf8(server.name) + " (the first is " + at(place, u - begin) + ")");
        }
        out.inUse = static_cast<nw::nint32>(wholeNumber(usage["inUse"], at(usagePlace, "inUse"), 0, INT32_MAX));
        if (const Json* v = member(usage, "restriction"))
            out.restriction = static_cast<nw::nint32>(wholeNumber(*v, at(usagePlace, "restriction"), 0, INT32_MAX));
        net_.usages.push_back(out);
    }
    net_.entries[entry].usageBegin = begin;
    net_.entries[entry].usageCount = static_cast<std::uint32_t>(net_.usages.size()) - begin;
}

void NetworkReader::assignObjectIds() {
    std::uint64_t next = kFirstAutomaticObjectId;
    for (std::size_t i = 0; i < net_.entries.size(); ++i) {
        if (hasGivenId_[i])
            continue;
        while (givenIds_.contains(static_cast<nw::nuint32>(next)))
            ++next;
        if (next > UINT32_MAX)
            refuse("/tree", "too many objects to give each its own object ID");
        net_.entries[i].objectId = static_cast<nw::nuint32>(next++);
    }
}

// The typed distinguished name of an entry already read, as UTF-8, for messages.
std::string NetworkReader::typedName(std::uint32_t entry) const {
    std::string out;
    for (std::uint32_t e = entry; e != 0 && e != kNoEntry; e = net_.entries[e].parent) {
        const Entry& x = net_.entries[e];
        if (!out.empty())
            out += '.';
        out.append(namingAttribute(x.cls)).append("=").append(nw::cp1252ToUtf8(x.name));
    }
    return out;
}

} // namespace nwsim::loader
