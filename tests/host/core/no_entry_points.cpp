// A shared library that is no plug-in: it exports nothing the host looks for.
extern "C" __attribute__((visibility("default"))) int TolmTestNotAnEntryPoint() {
    return 42;
}
