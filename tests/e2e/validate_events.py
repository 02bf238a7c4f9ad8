#!/usr/bin/python3
"""Validates JSON Lines against a schema (the event stream's, a job's result): validate_events.py SCHEMA LINES.

Prints each line that is no JSON or breaks the schema, with the reason, and exits 1 then."""
import json
import sys

import jsonschema


def main() -> int:
    with open(sys.argv[1], encoding="utf-8") as schema_file:
        schema = json.load(schema_file)
    jsonschema.Draft202012Validator.check_schema(schema)
    validator = jsonschema.Draft202012Validator(schema)
    bad = 0
    with open(sys.argv[2], encoding="utf-8") as lines:
        for number, line in enumerate(lines, start=1):
            try:
                errors = [error.message for error in validator.iter_errors(json.loads(line))]
            except json.JSONDecodeError as error:
                errors = [str(error)]
            if errors:
                bad += 1
                print(f"line {number}: {line.rstrip()[:160]}: {'; '.join(errors)}")
    return 1 if bad else 0


if __name__ == "__main__":
    sys.exit(main())
