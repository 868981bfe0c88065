#!/usr/bin/python3
"""Renders one output of a run's VTK files the way a ParaView session shows it:
the surface coloured by a surface array, the flowfield cut by a plane and
coloured by a flowfield array, both mirrored about a plane of symmetry.

    /usr/bin/python3 scripts/render_vtk.py RESULTS_DIR OUTPUT picture.png
        [--flow T] [--surface p] [--slice z=0.05] [--mirror zmin]

Needs Debian's python3-vtk9 (for /usr/bin/python3) and a display (run it under
xvfb-run on a machine without one).
"""
import argparse
import os
import sys

import vtk


def reflect(source, plane):
    """The data and its mirror image about a side of the region (vtkReflectionFilter)."""
    if not plane:
        return source
    f = vtk.vtkReflectionFilter()
    f.SetInputConnection(source.GetOutputPort())
    f.SetPlane({"xmin": 0, "ymin": 1, "zmin": 2, "xmax": 3, "ymax": 4, "zmax": 5}[plane])
    f.CopyInputOn()
    # The reflection gives an unstructured grid; the mappers draw polydata.
    g = vtk.vtkGeometryFilter()
    g.SetInputConnection(f.GetOutputPort())
    g.Update()
    return g


def lookup_table():
    lut = vtk.vtkLookupTable()
    lut.SetHueRange(0.667, 0.0)  # blue to red, as the program's continuous scale
    lut.Build()
    return lut


def scalar_bar(lut, title, x):
    """A colour bar in black type at the left (x = 0.02) or right (0.88) edge."""
    bar = vtk.vtkScalarBarActor()
    bar.SetLookupTable(lut)
    bar.SetTitle(title)
    bar.GetTitleTextProperty().SetColor(0, 0, 0)
    bar.GetLabelTextProperty().SetColor(0, 0, 0)
    bar.SetPosition(x, 0.1)
    bar.SetWidth(0.1)
    return bar


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("results")
    ap.add_argument("output", type=int)
    ap.add_argument("png")
    ap.add_argument("--flow", default="T")
    ap.add_argument("--surface", default="p")
    ap.add_argument("--slice", default="z=0.0001")
    ap.add_argument("--mirror", default="")
    ap.add_argument("--size", default="1200x800")
    ap.add_argument("--view", default="-1,-0.8,0.9", help="camera direction from the focal point")
    a = ap.parse_args()

    flow_file = os.path.join(a.results, "flow_%04d.vti" % a.output)
    surf_file = os.path.join(a.results, "surface_%04d.vtp" % a.output)
    renderer = vtk.vtkRenderer()
    renderer.SetBackground(1, 1, 1)

    flow = vtk.vtkXMLImageDataReader()
    flow.SetFileName(flow_file)
    flow.Update()
    if flow.GetOutput().GetNumberOfCells() == 0:
        sys.exit("%s: no cells read" % flow_file)
    # Cell data to point data gives a smooth cut, as ParaView's filter of that name.
    points = vtk.vtkCellDataToPointData()
    points.SetInputConnection(flow.GetOutputPort())
    axis, value = a.slice.split("=")
    plane = vtk.vtkPlane()
    origin = list(flow.GetOutput().GetCenter())
    normal = [0, 0, 0]
    k = "xyz".index(axis)
    origin[k] = float(value)
    normal[k] = 1
    plane.SetOrigin(origin)
    plane.SetNormal(normal)
    cut = vtk.vtkCutter()
    cut.SetCutFunction(plane)
    cut.SetInputConnection(points.GetOutputPort())
    cut.Update()
    rng = cut.GetOutput().GetPointData().GetArray(a.flow).GetRange()
    cut_mapper = vtk.vtkPolyDataMapper()
    cut_whole = reflect(cut, a.mirror)  # kept: a pipeline object must outlive its port
    cut_mapper.SetInputConnection(cut_whole.GetOutputPort())
    cut_mapper.SetScalarModeToUsePointFieldData()
    cut_mapper.SelectColorArray(a.flow)
    cut_mapper.SetScalarRange(rng)
    cut_mapper.SetLookupTable(lookup_table())
    cut_actor = vtk.vtkActor()
    cut_actor.SetMapper(cut_mapper)
    renderer.AddActor(cut_actor)
    renderer.AddActor2D(scalar_bar(cut_mapper.GetLookupTable(), a.flow + " (flowfield)", 0.88))

    if os.path.exists(surf_file):
        surf = vtk.vtkXMLPolyDataReader()
        surf.SetFileName(surf_file)
        surf.Update()
        srng = surf.GetOutput().GetCellData().GetArray(a.surface).GetRange()
        smap = vtk.vtkPolyDataMapper()
        surf_whole = reflect(surf, a.mirror)
        smap.SetInputConnection(surf_whole.GetOutputPort())
        smap.SetScalarModeToUseCellFieldData()
        smap.SelectColorArray(a.surface)
        smap.SetScalarRange(srng)
        lut = vtk.vtkLookupTable()
        lut.SetHueRange(0.8, 0.1)
        lut.Build()
        smap.SetLookupTable(lut)
        sact = vtk.vtkActor()
        sact.SetMapper(smap)
        renderer.AddActor(sact)
        renderer.AddActor2D(scalar_bar(lut, a.surface + " (surface)", 0.02))

    window = vtk.vtkRenderWindow()
    w, h = (int(v) for v in a.size.split("x"))
    window.SetSize(w, h)
    window.AddRenderer(renderer)
    camera = renderer.GetActiveCamera()
    d = [float(v) for v in a.view.split(",")]
    camera.SetPosition(d)
    camera.SetFocalPoint(0, 0, 0)
    camera.SetViewUp(0, 0, 1)
    renderer.ResetCamera()
    camera.Zoom(1.3)
    window.Render()
    grab = vtk.vtkWindowToImageFilter()
    grab.SetInput(window)
    grab.Update()
    png = vtk.vtkPNGWriter()
    png.SetFileName(a.png)
    png.SetInputConnection(grab.GetOutputPort())
    png.Write()


if __name__ == "__main__":
    main()
