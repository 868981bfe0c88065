#include "run/info_pages.h"

#include <array>
#include <cstddef>
#include <stdexcept>

namespace qmxv {

namespace {

const char* const kDsmcMethod = R"page(# What the method does

The Direct Simulation Monte Carlo (DSMC) method computes a gas flow by following a large number of
simulated molecules through space and time, instead of solving equations for the averaged flow. It
was introduced by Bird (1963) and is described in full in the textbook by Bird (1994), Molecular
Gas Dynamics and the Direct Simulation of Gas Flows. Wagner (1992) proved that it converges to the
Boltzmann equation as the number of simulated molecules grows and the cells and time step shrink.

# Simulated molecules

A real flow holds far too many molecules to follow one by one, so each simulated molecule stands
for FNUM real ones. It has a position, a velocity, a species and, for molecules with internal
structure, a rotational energy and vibrational quantum levels. A flow is typically built from a few
hundred thousand to many millions of simulated molecules.

# Moving and colliding

Over a time step that is small compared with the mean collision time, the motion of the molecules
and their collisions are decoupled. First every molecule moves in a straight line over the step,
reflecting from solid surfaces and leaving through open boundaries, while new molecules enter
across stream boundaries. Then the collisions are computed as if they all happened at one instant.
The flow region is divided into cells and only molecules in the same cell may collide, so the
cells must be smaller than the local mean free path: collision partners are then near neighbours.
Sub-cells bring the partners closer still.

# Selecting collision pairs

Collisions are chosen statistically. In each cell the number of candidate pairs follows the
no-time-counter scheme (Bird 1989): it is proportional to half the product of the molecule number
and that number less one, to FNUM, to the time step and to the largest product of cross-section
and relative speed in the cell, divided by the cell volume. Each candidate pair is accepted with
the probability of its own product of cross-section and relative speed divided by that maximum.
The collision rate is then correct on average and the cost grows only in proportion to the number
of molecules.

# Molecular models

The variable hard sphere (VHS) model (Bird 1981) scatters isotropically, like a hard sphere, but
its cross-section falls with the relative speed, so that the viscosity varies with temperature to
the power omega as in a real gas. Energy exchange between translation and the internal modes
follows the Larsen-Borgnakke model (Borgnakke and Larsen 1975): a fraction of the collisions is
inelastic, and in those the energy is shared out by sampling from its equilibrium distribution.
Rotation is treated as continuous and vibration as quantised levels with a relaxation number that
depends on temperature. Chemical reactions follow from the collision energy and the activation
energy of each reaction.

# Sampling and scatter

The flow properties of a cell are averages over the molecules found in it at many sampling
instants. Their statistical scatter falls as one over the square root of the total sample, so a
steady flow is averaged over a long time and an unsteady flow over a short time window or over
several runs.

# When DSMC is needed

The Knudsen number Kn, the ratio of the mean free path to a characteristic length of the flow,
measures how rarefied a flow is. Below about 0.01 the Navier-Stokes equations with no-slip walls
serve well; from about 0.1 upwards, through the transition regime to free molecular flow, they fail
and DSMC is the method of choice. Typical cases are vehicles in the upper atmosphere, vacuum
systems, micro-devices and the structure of shock waves. In dense flows DSMC remains valid, but its
cost rises steeply with density because the cells and time steps must shrink with the mean free
path.)page";

const char* const kDsmcFaq = R"page(# How accurate is DSMC?

With enough molecules, small enough cells and a short enough time step, DSMC reproduces solutions of
the Boltzmann equation. What remains are the limits of the molecular model and of the boundary
conditions, and the statistical scatter. Cells that are too large or time steps that are too long
show as excessive transport: shock waves and boundary layers become too thick, and heat transfer
and skin friction come out wrong.

# How small must the cells be?

The distance between collision partners should be well below the local mean free path. The program
shows the ratio of mean collision separation to mean free path for every cell, and its average in
the log panel; keep it well below one, ideally about 0.2 or less. Sub-cells help where the cells
cannot be made smaller.

# How long may the time step be?

Well below the local mean collision time, and short enough that a molecule crosses only part of a
cell in one step. Here every cell has its own time step, set from the number of moves per mean
collision time (NMCT) and per mean cell transit time (NMTT) given in the data, and adapted to the
sampled flow at every output.

# How many molecules per cell?

The collision rate is right on average with any number, but with fewer than about ten molecules a
molecule too often collides again with its last partner. Ten to twenty per cell is a good target;
more costs memory and time without making the collisions more accurate.

# Why are the results noisy?

Each result is an average over a finite number of molecules, so it carries a scatter that falls as
one over the square root of the sample size. Quantities that come from small differences, such as
low speeds in a nearly stagnant gas, heat flux and shear stress, need the largest samples. The noise
is not an error of the method: it is reduced by sampling for longer, not by changing the model.

# Steady or unsteady sampling?

For a flow that becomes steady, the sample is restarted at each output until the assumed steady
state is reached; from then on it accumulates for as long as the run lasts and the scatter keeps
falling. For an unsteady flow the sample is restarted at every output and covers only the last part
of each output interval, so every output is a short time average; its scatter is lowered only by
using more molecules.

# How does DSMC relate to the Navier-Stokes equations?

The Navier-Stokes equations follow from the Boltzmann equation in the limit of a small Knudsen
number, and where both apply the results agree. DSMC needs no assumption of near-equilibrium
transport, so it captures non-equilibrium effects: separate translational, rotational and
vibrational temperatures, velocity slip and temperature jump at walls, and thick shock waves. Its
cost rises steeply with density, so continuum solvers remain the better choice for dense flows.

# How is chemistry included?

Every gas-phase reaction has an activation energy and a rate coefficient of Arrhenius form. In a
collision whose energy exceeds the activation energy, the reaction occurs with a probability, a
steric factor that depends on the collision energy, chosen so that the equilibrium rate coefficient
is reproduced (the total collision energy model, Bird 1994). Dissociation, exchange and three-body
recombination are covered, and solid walls can carry surface reactions such as catalytic
recombination.)page";

const char* const kProgram = R"page(# What the program does

QMXV simulates three-dimensional rarefied gas flows by the DSMC method. A flow problem is read from
two text files: QMXVD.DAT holds the gas with its species and reactions, the stream, the box-shaped
flow region with the boundary condition of each side, and the run settings; QMXSD.DAT holds the
body and entry surfaces as triangles. The program builds a grid of divisions and elements around
the surfaces, combines the elements into cells, fills the flow with simulated molecules and runs
the time-step loop, showing the flowfield, the surface results and the molecule number as the flow
develops. It reads and writes its files in its working directory.

# Run types

At every start the Run Type dialog offers:

- "Continue the Current Run": read the restart files and go on where the last run stopped.
- "Adapt Cells and Continue": read the restart files, re-form the cells so that each holds about
the target number of molecules, and go on.
- "Start the Delta Wing Demo", "Start the Vacuum System Demo", "Start the STS Re-entry Demo": copy
the case's QMXVD.DMn and QMXSD.DMn onto QMXVD.DAT and QMXSD.DAT and start a new run.
- "Start a New Run from QMXVD.DAT and QMXSD.DAT": your own case. It reads the files already in the
working directory and deletes or copies nothing.
- "About Program and Method": these pages.

A demonstration replaces QMXVD.DAT and QMXSD.DAT in the working directory. Files that differ from
the demonstration pair are first kept as QMXVD.BAK and QMXSD.BAK (then .BAK2 and so on), but your
own data sets are safest in a directory of their own.

# Files

- QMXV.CFG: one integer, the unit system of new runs: 1 SI, 2 English, 3 non-dimensional.
- QMXVD.DAT and QMXSD.DAT: the gas and flow data and the surface definition; docs/formats.md
describes every record.
- QMXVD.TXT and QMXSD.TXT: summaries in words of what was read from them.
- DIAG.TXT: the diagnostic file, written anew at every start: set-up reports, one line per time
step and any error message.
- NODES.TXT: the list of cell nodes.
- QMXV*.RES: the restart files, written after set-up and at every output; together they hold the
whole state of the run.
- DSCELLS.BMP: the picture of the cells; D3Dnnnn.BMP: pictures saved from the detailed flowfield
plot.

# Command line

- qmxv [--dir D]: open the desktop program, working in directory D if given.
- qmxv --batch --run-type N [--outputs K | --steps S | --until SECONDS] [--dir D]: run without a
window. N is the run type, 1 to 5 or 7 for your own case; the run ends after K outputs, S time
steps or SECONDS of flow time; D is the working directory. One progress line is printed per output.
- qmxv --help lists the options; qmxv --version prints the version.

Exit status: 0 normal end, 1 usage error, 2 bad data, 3 bad or missing restart files, 4 geometry
fault, 130 stopped by Ctrl-C.

# Using it

Start with a demonstration: choose "Start the Delta Wing Demo" and press OK. The surfaces appear in
a preview window; close it to continue. The grid and cells are set up, the flow is initialized, and
the log panel reports the flow time, the molecules and the collisions. The flowfield and surface
pictures appear at the first output, and the display bars choose the property, the plane, the scale
and the units. Watch the molecule number history: it rises while the flow develops and levels off at
steady state. Once the pictures are smooth enough, close the main window; the restart files of the
last output are kept. Then start again and choose "Adapt Cells and Continue", so that every cell
holds ten to twenty molecules, and let the sample build up.)page";

const char* const kProgramFaq = R"page(# How do I set up my own case?

Write QMXVD.DAT and QMXSD.DAT in a working directory of their own; docs/formats.md describes every
record, and the demonstration files are good starting points. Then choose "Start a New Run from
QMXVD.DAT and QMXSD.DAT", or run qmxv --batch --run-type 7 --dir D with D that directory. Make the
box large enough that stream boundaries lie in undisturbed flow, use planes of symmetry where the
flow has them, and order the points of every triangle so that the normal (P2-P1)x(P3-P1) points into
the flow.

# How do I check a new surface before a run?

Run qmxv --batch --run-type 7 --steps 0. The program reads both files, writes their summaries,
builds the grid and the cells and stops there, without molecules and without restart files. DIAG.TXT
then reports whether each surface is closed or open and the total flow volume, which should equal
the box volume less the volume of the bodies in it; DSCELLS.BMP shows the cells and NODES.TXT lists
their nodes.

# What if the set-up complains about connectivity?

Every side of a triangle must be shared with exactly one other triangle of the same surface, or lie
on a face of the box. "has no connectivity" means that a side has no partner: a gap, a point given
twice under two numbers (sides are matched by point number, not by position), or an open surface
that stops short of the box face. "connects with more than one triangle" means that three or more
triangles meet on one side; make them separate surfaces. The program stops with exit status 4 and
the message in DIAG.TXT, which begins with the line of QMXSD.DAT where the triangle is given.

# What FNUM should I choose?

FNUM is the number of real molecules each simulated molecule stands for. Divide the number of real
molecules in the flow (number density times flow volume) by the number of simulated molecules your
memory and time allow, aiming at ten to twenty molecules per cell. For a flow that starts as a
vacuum, estimate from the expected steady density. MNM only sets the first capacity of the molecule
arrays; they grow when needed.

# How long should I run?

Until the molecule number has levelled off and the pictures change only by scatter, and then until
the sample is large enough. The sample size of every cell can be shown as a flowfield property: a
few thousand per cell gives densities and temperatures to a few per cent.

# Why does the molecule number level off?

In a steady flow the molecules entering across the boundaries balance those leaving, so the number
levels off once the flow has settled. If it keeps drifting, the flow is not yet steady; a
steady-flow sample is restarted by itself when the number changes by much more than its scatter.

# What do the unit choices mean?

Results can be shown in SI, in English units (feet, pounds, degrees F) or non-dimensional, as
ratios to the stream values; the unit bar switches between them during a run, and a zero stream
speed rules out the non-dimensional choice. QMXV.CFG holds the choice for new runs. When it is not
SI, starting a demonstration asks whether to keep it or restore the standard values.

# Where are the results?

In the run-time displays: the flowfield panel, the surface panel, the forces panel, the molecule
number history and the detailed flowfield plot, which can save D3Dnnnn.BMP pictures. The restart
files QMXV*.RES hold the complete state of the run, and DIAG.TXT its diagnostic record.)page";

const std::array<InfoPage, 4> kPages{{
    {"The DSMC Method", kDsmcMethod},
    {"Frequently Asked Questions about the DSMC Method", kDsmcFaq},
    {"The QMXV Program", kProgram},
    {"Frequently Asked Questions about the QMXV Program", kProgramFaq},
}};

}  // namespace

const InfoPage& info_page(int iinfo) {
  if (iinfo < 1 || iinfo > static_cast<int>(kPages.size())) {
    throw std::out_of_range("information page " + std::to_string(iinfo) + " does not exist");
  }
  return kPages[static_cast<std::size_t>(iinfo - 1)];
}

const std::vector<std::pair<std::string, std::string>>& run_type_notes() {
  static const std::vector<std::pair<std::string, std::string>> notes{
      {"Details of the Demonstration Cases",
       "Delta wing: a thin delta wing with a 30 degree apex angle and bevelled edges at Mach 2 and "
       "a Knudsen number of about 0.01 (256 Mb of memory). Vacuum system: a rectangular box, "
       "symmetric about the x = 0 and z = 0 planes, with a near-sonic jet of helium and argon from "
       "the centre of its upper surface and a cylindrical tube to a vacuum (128 Mb). STS re-entry: "
       "re-entry conditions at an altitude of 105 km (at least 640 Mb)."},
      {"Notes on a Typical  Run of these Cases",
       "The delta wing and re-entry flows start at zero time with the body inserted into a "
       "uniform stream; the vacuum system starts as a vacuum with the jet starting at zero time. "
       "The molecule number rises during the unsteady phase and levels off at steady state. Stop "
       "the run once a reasonable sample is obtained, and on restart choose \"Adapt Cells and "
       "Continue\" to set about ten to twenty molecules per cell."},
  };
  return notes;
}

}  // namespace qmxv
