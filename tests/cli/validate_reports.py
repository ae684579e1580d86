#!/usr/bin/python3
"""Checks JSON reports of qor-comm-fix-cli against the report's schema (JSON Schema 2020-12).

Usage: validate_reports.py SCHEMA FOLDER [AT_LEAST]
Every *.json file in FOLDER must be one report that the schema accepts; at least AT_LEAST
(default 1) of them must be there, so that a folder left empty by mistake fails.
"""
import json
import pathlib
import sys

import jsonschema


def main(schema_path, folder, at_least=1):
    schema = json.loads(pathlib.Path(schema_path).read_text())
    jsonschema.Draft202012Validator.check_schema(schema)
    validator = jsonschema.Draft202012Validator(schema)
    reports = sorted(pathlib.Path(folder).glob("*.json"))
    if len(reports) < at_least:
        print(f"{folder}: {len(reports)} reports, expected at least {at_least}")
        return 1
    faults = 0
    for path in reports:
        try:
            report = json.loads(path.read_bytes().decode("ascii"))
        except (UnicodeDecodeError, json.JSONDecodeError) as error:
            print(f"{path.name}: not one JSON text in ASCII: {error}")
            faults += 1
            continue
        for error in sorted(validator.iter_errors(report), key=lambda e: list(e.absolute_path)):
            where = "/".join(str(part) for part in error.absolute_path) or "(the report)"
            print(f"{path.name}: {where}: {error.message}")
            faults += 1
    print(f"{len(reports)} reports checked against {schema_path}: {faults} faults")
    return 1 if faults else 0


if __name__ == "__main__":
    if len(sys.argv) not in (3, 4):
        sys.exit(__doc__)
    sys.exit(main(sys.argv[1], sys.argv[2], int(sys.argv[3]) if len(sys.argv) == 4 else 1))
