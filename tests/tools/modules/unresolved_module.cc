// A module that needs a function no library defines: the system's loader refuses it (with its own
// words, which name the symbol).
extern "C" int lumenrt_test_symbol_nowhere();

extern "C" __attribute__((visibility("default"))) int plugin_get_factory() {
  return lumenrt_test_symbol_nowhere();
}
