// The numbers behind the result pictures: what a property is called and in
// which unit it is shown, the colour range of a picture and its range steps,
// the colour of a value, and the steps and labels of a colour bar.
#pragma once

#include <string>
#include <vector>

namespace qmxv {
struct State;
}

namespace qmxv::display {

// A property as the displays show it: its name, its unit in the chosen unit
// system (IUNITS: 1 SI, 2 English, 3 non-dimensional) and the conversion of
// the SI value, shown = factor * value + offset.
struct ShownProperty {
  std::string name;
  std::string unit;
  double factor = 1.0;
  double offset = 0.0;
  double shown(double si) const { return factor * si + offset; }
};

// Property k of VAR (1 .. 17 + MSP). A non-dimensional reference the stream
// does not have (a gas at rest has no stream speed) leaves that property in
// SI. Non-dimensional units are named only on screens at least 1024 wide.
ShownProperty flow_property(const State& s, int k);

// Property k of VARL (1 .. 10 + MSP): VARS with the shear magnitude put in
// as property 6.
ShownProperty surface_property(const State& s, int k);

// The colour range of a picture, in shown units (log10 of them on a log scale).
struct ColourRange {
  double low = 0.0, high = 1.0;
  bool log = false;
  double span() const { return high - low; }
};

// The least and largest shown value of the counted cells or triangles, and
// whether any counted.
struct Extremes {
  double min = 0.0, max = 0.0;
  bool any = false;
};

// The range steps of a colour scale: `lo_steps` and `hi_steps` move the low
// and high ends by 3 % of the span each; ends that cross meet 1.5 % either
// side of their middle.
void apply_range_steps(double& low, double& high, int lo_steps, int hi_steps);

// The flowfield's range from the extremes: (1e6, -1e6) when nothing
// counted; log10 of them when `log` (switched off, log = 0, when the least
// value is not above 1e-6); the range steps (a negative low step is reset to
// 0 on a log scale); a span still not above 1e-10 becomes v +- max(0.01 |v|,
// 1e-6) about its middle v, so a colour index never divides by a non-positive span.
ColourRange flowfield_range(const Extremes& e, int& log, int& lo_steps, int hi_steps);

// The surface picture's range: as the flowfield's, but a range of less than
// 1e-6 opens to 1 % below and above its ends, and nothing counted gives no
// range (nothing is drawn).
bool surface_range(const Extremes& e, int& log, int& lo_steps, int hi_steps, ColourRange& range);

// The colour index of a shown value: floor((v - low) 255 / span) limited to
// 1 .. top; on a log scale of log10(v), and `below_log` for v <= 1e-6.
int colour_index(double v, const ColourRange& range, int top, int below_log);

// The steps of a colour bar's labels for a span s: s = mantissa x 10^-exponent
// with the mantissa in [1, 10]; the major (labelled) and minor steps in
// mantissa units.
struct ScaleSteps {
  double mantissa = 1.0;
  int exponent = 0;
  double major = 0.2, minor = 0.05;
};
ScaleSteps scale_steps(double span);

// One labelled value of a colour bar: where it sits (in range units) and its
// text, the value times 10^exponent written "(F5.1)", or the narrowest Fw.1
// that holds it.
struct ScaleLabel {
  double value = 0.0;
  std::string text;
};
std::vector<ScaleLabel> scale_labels(const ColourRange& range, const ScaleSteps& steps);
std::string scale_text(double mantissa_value);

}  // namespace qmxv::display
