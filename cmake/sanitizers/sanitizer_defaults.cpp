// Linked into every program of a sanitizer build, so that the test suite, a test run by hand and the
// command-line program the tests start all stop at the first finding and share one list of
// suppressed third-party leaks. Options given in the environment still override these.

extern "C" {

const char* __asan_default_options() {
  return "halt_on_error=1:abort_on_error=0:detect_leaks=1:check_initialization_order=1:strict_init_order=1:"
         "detect_stack_use_after_return=1:strict_string_checks=1";
}

const char* __lsan_default_options() { return "suppressions=" TOMESHIFT_LSAN_SUPPRESSIONS ":print_suppressions=0"; }

const char* __ubsan_default_options() { return "halt_on_error=1:print_stacktrace=1"; }

}
