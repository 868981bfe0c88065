#include <stdexcept>

#include "data_set.h"

namespace demogen {

Case demonstration_case(int n) {
  switch (n) {
    case 1:
      return delta_wing_case();
    case 2:
      return vacuum_system_case();
    case 3:
      return reentry_case();
    default:
      throw std::out_of_range("the demonstration cases are 1, 2 and 3");
  }
}

}  // namespace demogen
