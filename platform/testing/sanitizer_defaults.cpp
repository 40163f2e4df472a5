// Linked into every test program: leaks inside system libraries that the
// programs cannot free are not ours to report. Only the sanitizer build reads it.
extern "C" const char* __lsan_default_suppressions() {
    return "leak:libfontconfig.so\n";
}
