// LeakSanitizer suppressions for widget tests that draw text: fontconfig,
// which Qt loads to find fonts, keeps a few allocations to the end of the
// process. Link this file into a test binary; it matters only under the
// sanitizer build, which calls this hook at start-up.
extern "C" const char* __lsan_default_suppressions() { return "leak:libfontconfig.so\n"; }
