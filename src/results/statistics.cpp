#include "results/statistics.h"

namespace results {

Statistics& stats() {
    static Statistics s;
    return s;
}

}  // namespace results
