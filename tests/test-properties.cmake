# Read by ctest after the discovered tests are declared: properties of single tests.

# Two 20 MB pages through the whole conversion: minutes on a loaded machine. Under the sanitizers the
# document model's memory roughly triples (1.7 GB without), so this case runs in the plain pass only.
set_tests_properties([=[Cases/HostileHelpFile.EndsSoundlyWithinBoundsAndLeavesNothingBehind/big_page  # GetParam() = big-page]=]
                     PROPERTIES TIMEOUT 1800 LABELS no-sanitizer)
