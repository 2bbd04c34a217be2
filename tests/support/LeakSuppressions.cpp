// Leaks inside system libraries that the tests provoke on purpose and cannot
// avoid: libsndfile 1.2.0 does not free the Vorbis header state when it
// rejects a damaged Ogg file (a few kilobytes per rejected file); fontconfig
// 2.14 loses a few hundred bytes while parsing its configuration files once
// per process; libdbus 1.14 keeps a buffer of the session connection SDL's X11
// driver opens, after SDL has shut it down (real-window test only).
extern "C" const char* __lsan_default_suppressions() {
    return "leak:vorbis_info_init\nleak:libfontconfig.so\nleak:libdbus-1.so\n";
}
