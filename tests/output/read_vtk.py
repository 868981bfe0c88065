"""Reads the VTK results of a run with VTK's own XML readers and prints what
they found, for vtk_export_test.cpp to compare with the state it wrote.

    /usr/bin/python3 read_vtk.py RESULTS_DIR

For every data set listed in flow.pvd and surface.pvd (parsed as XML):

    file NAME timestep T points P cells C errors E
    dims NAME NX NY NZ                     (image data: points along x, y, z)
    hidden NAME c1 c2 ...                  (image data: the cells a viewer leaves out)
    array NAME ARRAY COMPONENTS TUPLES v1 v2 ...   (every cell array, flat)
    points NAME x1 y1 z1 x2 ...            (poly data)
    polys NAME i1 i2 i3 i1 ...             (poly data: the point ids of each cell)

A reader meeting a truncated file may return an empty data set without an
error, so the counts are printed for the caller to check. Exit status 1 when a
collection file is not well-formed XML.
"""
import os
import sys
import xml.etree.ElementTree as ET

from vtkmodules.vtkCommonCore import vtkCommand
from vtkmodules.vtkIOXML import vtkXMLImageDataReader, vtkXMLPolyDataReader


def flat(array):
    n = array.GetNumberOfTuples() * array.GetNumberOfComponents()
    return [repr(array.GetValue(i)) for i in range(n)]


def read(path, reader):
    errors = []
    reader.AddObserver(vtkCommand.ErrorEvent, lambda obj, event: errors.append(event))
    reader.SetFileName(path)
    reader.Update()
    return reader.GetOutput(), len(errors)


def main(results):
    for collection, reader_type in (("flow.pvd", vtkXMLImageDataReader),
                                    ("surface.pvd", vtkXMLPolyDataReader)):
        path = os.path.join(results, collection)
        if not os.path.exists(path):
            continue
        try:
            root = ET.parse(path).getroot()
        except ET.ParseError as e:
            print("malformed", collection, e)
            return 1
        for entry in root.iter("DataSet"):
            name = entry.get("file")
            data, errors = read(os.path.join(results, name), reader_type())
            print("file", name, "timestep", entry.get("timestep"), "points",
                  data.GetNumberOfPoints(), "cells", data.GetNumberOfCells(), "errors", errors)
            if reader_type is vtkXMLImageDataReader:
                print("dims", name, *data.GetDimensions())
                print("hidden", name,
                      *[c for c in range(data.GetNumberOfCells()) if not data.IsCellVisible(c)])
            else:
                pts = data.GetPoints()
                coords = [] if pts is None else [
                    repr(c) for i in range(pts.GetNumberOfPoints()) for c in pts.GetPoint(i)]
                print("points", name, *coords)
                ids = []
                for c in range(data.GetNumberOfCells()):
                    cell = data.GetCell(c)
                    ids += [cell.GetPointId(k) for k in range(cell.GetNumberOfPoints())]
                print("polys", name, *ids)
            cd = data.GetCellData()
            for a in range(cd.GetNumberOfArrays()):
                array = cd.GetArray(a)
                print("array", name, array.GetName(), array.GetNumberOfComponents(),
                      array.GetNumberOfTuples(), *flat(array))
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1]))
