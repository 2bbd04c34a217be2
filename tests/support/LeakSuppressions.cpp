// Leaks inside system libraries that the tests provoke on purpose and cannot
// avoid: libsndfile 1.2.0 does not free the Vorbis header state when it
// rejects a damaged Ogg file (a few kilobytes per rejected file); fontconfig
// 2.14 loses a few hundred bytes while parsing its configuration files once
// per process.
extern "C" const char* __lsan_default_suppressions() {
    return "leak:vorbis_info_init\nleak:libfontconfig.so\n";
}
