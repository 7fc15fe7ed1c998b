// The tag registry and the component factory.
//
// The registry maps each of the suite's 289 record tags to its index (the
// record kind's identity) and display name. The lookup table is a constant
// built at compile time, so it needs no lock and no release.
#ifndef TAV_RECORDS_TAG_REGISTRY_H_
#define TAV_RECORDS_TAG_REGISTRY_H_

#include <memory>
#include <string>
#include <string_view>

namespace tav {

class CComponent;
struct ComponentTag;

inline constexpr int kTagCount = 289;

// The index 0..288 of a four-byte tag, or -1 when it is not registered
// (any other length is not registered either).
int LookupTag(std::string_view tag);
int LookupTag(const ComponentTag& tag);

// The tag text of a registered index; "" outside 0..288.
std::string_view GetTagText(int index);

// The index of the last segment of a backslash-separated path; -1 when that
// segment is not registered.
int GetTagIndexFromPath(std::string_view path);

// The display name of an index: "!~Invalid Component~!" for -1, the number
// itself outside -1..288.
std::string GetComponentName(int index);

// Makes the component for a tag. True when the tag is registered and has a
// class here (a record kind, a value class or a list); otherwise false, with
// a raw component that keeps its body bytes in `out`.
bool CreateComponent(std::string_view tag, std::unique_ptr<CComponent>& out);
bool CreateComponent(const ComponentTag& tag, std::unique_ptr<CComponent>& out);

// Replaces `out` with a copy of `source` made through the factory. False
// when the tag has no class (then `out` holds an uncopied raw component) or
// `source` is null.
bool CloneComponent(const CComponent* source, std::unique_ptr<CComponent>& out);

// Replaces the class that the factory makes for a registered tag. Call it
// before the first CreateComponent (it is not synchronised); false for an
// unregistered tag. The built-in record kinds are listed in
// component_factory.cc.
using ComponentMaker = std::unique_ptr<CComponent> (*)(const ComponentTag& tag);
bool RegisterComponentMaker(std::string_view tag, ComponentMaker maker);

}  // namespace tav

#endif  // TAV_RECORDS_TAG_REGISTRY_H_
