#include "loaded_network.h"

namespace quenby {

namespace {
LoadedNetwork g_network;
}

LoadedNetwork& Net() { return g_network; }

void ResetLoadedNetwork() { g_network = LoadedNetwork{}; }

}  // namespace quenby
