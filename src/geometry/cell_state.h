// The computational cells: the part of the simulation state that cell
// formation fills (and cell adaption rebuilds).
//
// A cell is the set of flow elements nearest to one cell node that see it
// across no solid surface. Nodes sit at the centroid of every solid triangle
// and at the centre of every flow division without surfaces, so cells are
// small next to bodies and as large as a division elsewhere.
#pragma once

#include "run/farray.h"

namespace qmxv {

// Rows of the cell record CELL(., c).
enum CellField : int {
  kCellVolume = 1,  // flow volume of the cell's elements [scaled m^3]
  kCellX = 2,       // node position [scaled m]
  kCellY = 3,
  kCellZ = 4,
  kCellXLo = 5,  // box that holds the cell's elements [scaled m]
  kCellXHi = 6,
  kCellYLo = 7,
  kCellYHi = 8,
  kCellZLo = 9,
  kCellZHi = 10,
  kCellFill = 11,    // volume / volume of that box; 0 for a cell without elements
  kCellFields = 14,  // 12..14 belong to the simulation core
};

// The plane through the grid that the geometry pictures show: normal to
// `axis` (1 x, 2 y, 3 z), through the centre of element `element` of division
// `division` along that axis. Kept between pictures; division 0 means "not
// chosen yet" and becomes the middle division when a picture first opens.
struct PicturePlane {
  int axis = 3;
  int division = 0;
  int element = 1;
};

struct CellData {
  int NCELLS = 0;   // cells, one per node
  int MNCELLS = 0;  // allocated extent of CELL and ICELL
  // CELL(1..14, c): the cell record, rows as CellField.
  FArray2<float> CELL;
  // ICELL(1..2, c): the molecule index of cell c (start, count); ICELL(3, k):
  // the k-th cell of the node list ordered by division, so the nodes of a
  // division are ICELL(3, JDIV(3,..) + 1 .. JDIV(3,..) + JDIV(2,..)).
  FArray2<int> ICELL;
  // 8*MNSEG places, allocated at cell formation and carried by the restart
  // files; nothing in the geometry reads or writes its entries.
  FArray1<int> ICHECK;
  // NODEDIV(1..3, c): division indices (x, y, z) of node c while the nodes
  // are sorted into divisions ("CELL DIVISIONS"); empty otherwise.
  FArray2<int> NODEDIV;

  PicturePlane PLANE;
};

}  // namespace qmxv
