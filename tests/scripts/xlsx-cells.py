#!/usr/bin/env python3
"""Prints what an .xlsx file holds as JSON, read by openpyxl as a
spreadsheet reads it: the properties, and per sheet its name, frozen cell,
column widths, number formats of the second row, every cell value (dates as
serial day numbers, durations as days) and the ranges its chart draws."""
import datetime
import json
import re
import sys
import zipfile

import openpyxl
from openpyxl.utils.datetime import to_excel


def value(v):
    if isinstance(v, datetime.datetime):
        return to_excel(v)
    if isinstance(v, datetime.timedelta):
        return v.total_seconds() / 86400.0
    if isinstance(v, datetime.time):
        return (v.hour * 3600 + v.minute * 60 + v.second + v.microsecond / 1e6) / 86400.0
    return v


def charts(path, names):
    """Per sheet name, the formulas of the charts drawn on it."""
    out = {n: [] for n in names}
    with zipfile.ZipFile(path) as z:
        files = set(z.namelist())

        def rels(part):
            folder, name = part.rsplit("/", 1)
            r = f"{folder}/_rels/{name}.rels"
            if r not in files:
                return []
            targets = re.findall(r'Target="([^"]+)"', z.read(r).decode())
            return [t if t.startswith("xl/") else f"{folder}/{t}".replace("worksheets/../", "").replace(
                "drawings/../", "") for t in targets]

        book = z.read("xl/workbook.xml").decode()
        book_rels = z.read("xl/_rels/workbook.xml.rels").decode()
        targets = dict(re.findall(r'Id="([^"]+)"[^>]*Target="([^"]+)"', book_rels))
        targets.update({k: v for v, k in re.findall(r'Target="([^"]+)"[^>]*Id="([^"]+)"', book_rels)})
        for name, rid in re.findall(r'<sheet name="([^"]+)"[^>]*r:id="([^"]+)"', book):
            sheet = "xl/" + targets[rid]
            for drawing in rels(sheet):
                for chart in rels(drawing):
                    if "charts/" in chart and chart in files:
                        xml = z.read(chart).decode()
                        out[name.replace("&amp;", "&")].append(
                            {"formulas": re.findall(r"<c:f>([^<]+)</c:f>", xml),
                             "scatter": "<c:scatterChart>" in xml})
    return out


def main():
    path = sys.argv[1]
    wb = openpyxl.load_workbook(path)
    p = wb.properties
    out = {"title": p.title, "subject": p.subject, "description": p.description, "sheets": []}
    drawn = charts(path, wb.sheetnames)
    for ws in wb.worksheets:
        rows = [[value(c.value) for c in row] for row in ws.iter_rows()]
        formats = [c.number_format for c in ws[2]] if ws.max_row >= 2 else []
        widths = {k: d.width for k, d in ws.column_dimensions.items()}
        out["sheets"].append({"name": ws.title, "frozen": ws.freeze_panes, "rows": rows, "formats": formats,
                              "widths": widths, "charts": drawn[ws.title]})
    json.dump(out, sys.stdout)


main()
