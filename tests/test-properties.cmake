# Read by ctest after the discovered tests are declared: properties of single tests.

# Two 20 MB pages through the whole conversion: minutes on a loaded machine, more under the sanitizers.
set_tests_properties([=[Cases/HostileHelpFile.EndsSoundlyWithinBoundsAndLeavesNothingBehind/big_page  # GetParam() = big-page]=]
                     PROPERTIES TIMEOUT 1800)
