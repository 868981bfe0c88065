// Where a datum of the data files stands, for the faults found only after the
// files have been read: a surface that does not close, divisions that leave
// the flow without a cell node, more initial molecules than MNM.
//
// The state keeps no line numbers. On such a fault (once per run at most) the
// file is read again by its own reader, writing no summary, and the line is
// the one that reader met the datum on. Each function returns 0 when the file
// can no longer be read or no longer holds the datum as the state has it (it
// was changed since, or the state was built in memory): a message then names
// the file alone.
#pragma once

#include "data/list_reader.h"

namespace qmxv {

struct State;

// The line of QMXVD.DAT in s.DIR that holds `item` (Item("NDIVX")), provided
// it still holds `value` as written in the file (before any scaling).
int gas_datum_line(const State& s, const Item& item, double value);

// The line of QMXSD.DAT in s.DIR on which the record of triangle t (numbered
// through the whole file) starts, provided that record still gives the
// triangle's three points. Needs the gas data of `s` (MSP and MNSR shape the
// triangle records).
int triangle_record_line(const State& s, int t);

}  // namespace qmxv
