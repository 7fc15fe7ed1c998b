// The library's Qt resources (":/tavsecurityui/banner.png",
// ":/tavsecurityui/icon.png", and each at twice the size as "...@2x.png":
// the dialogs' labels scale the larger drawing down, so that it stays sharp
// on screens scaled up to 200%; QIcon picks it by its name).
//
// They are compiled into a static library, whose registration code the
// linker would drop unless something refers to it: RegisterResources does,
// and the library's entry points call it before they show anything.
// UnregisterResources runs at unload, so that Qt keeps no pointer into an
// unloaded library.
//
// Threads: the thread that calls the library.
#ifndef TAV_RES_RESOURCES_H_
#define TAV_RES_RESOURCES_H_

namespace tav {

// Registers the resources once; later calls do nothing.
void RegisterResources();
// Unregisters them when registered.
void UnregisterResources();

inline constexpr char kBannerResource[] = ":/tavsecurityui/banner.png";
inline constexpr char kIconResource[] = ":/tavsecurityui/icon.png";

}  // namespace tav

#endif  // TAV_RES_RESOURCES_H_
