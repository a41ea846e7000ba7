// A station map layer's problem in the window's words: the [StationMap] key that asked for it.
#include <gtest/gtest.h>

#include "app/station_map_problem.h"

namespace {

TEST(StationMapLayers, AProblemNamesTheKeyThatAskedForTheLayer) {
  EXPECT_EQ(StationMapProblemText({StationMapField::Prefixes,
                                   "/usr/share/hamradio-files/cty.dat is missing; install the package "
                                   "hamradio-files"}),
            "Prefixes in [StationMap]: /usr/share/hamradio-files/cty.dat is missing; install the package "
            "hamradio-files");
}

}  // namespace
