// The U.S. Standard Atmosphere 1976 between 86 and 120 km geometric
// altitude, computed from its defining equations: the temperature profile of
// the upper atmosphere and the diffusion equations of its species (molecular
// and eddy diffusion, thermal diffusion and the empirical vertical flux
// terms), integrated upward from the species number densities at 86 km.
#pragma once

namespace demogen {

struct AtmosphereState {
  double altitude = 0;     // geometric [km]
  double temperature = 0;  // kinetic [K]
  // Number densities [1/m^3].
  double n_n2 = 0, n_o = 0, n_o2 = 0, n_ar = 0, n_he = 0;
  double pressure = 0;  // [Pa]
  double density = 0;   // [kg/m^3]
  double total() const { return n_n2 + n_o + n_o2 + n_ar + n_he; }
};

// Throws std::out_of_range outside 86..120 km.
AtmosphereState standard_atmosphere(double altitude_km);

}  // namespace demogen
