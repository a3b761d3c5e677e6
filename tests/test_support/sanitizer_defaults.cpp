// Leak-checker defaults for every test program: allocations that system libraries keep for the
// life of the process (font caches and the like) are theirs, not ours, and are never freed.
extern "C" const char* __lsan_default_suppressions() {
    return "leak:libfontconfig.so\n"
           "leak:libfreetype.so\n"
           "leak:libdbus-1.so\n"
           "leak:libglib-2.0.so\n";
}
