#!/usr/bin/env python3
"""Writes sqlserver/main.sql and sqlserver/year.sql from the SQLite schema files
beside this script. Run it after every change to main.sql or year.sql and keep
both outputs with the sources.

The SQLite files keep one column per line:
    CREATE TABLE Name (
      Rno INTEGER PRIMARY KEY AUTOINCREMENT,
      Column TYPE [COLLATE NOCASE],
      ...
    );
Text columns get no collation clause on SQL Server: the database's default
collation, which must be case-insensitive, applies to them.
"""
import pathlib
import re
import sys

HERE = pathlib.Path(__file__).resolve().parent

TYPES = [
    (re.compile(r'^INTEGER PRIMARY KEY AUTOINCREMENT$'), 'int IDENTITY(1,1) NOT NULL PRIMARY KEY'),
    (re.compile(r'^INTEGER$'), 'int NULL'),
    (re.compile(r'^NUMERIC\((\d+),(\d+)\)$'), r'numeric(\1,\2) NULL'),
    (re.compile(r'^DATETIME$'), 'datetime NULL'),
    (re.compile(r'^VARCHAR\((\d+)\) COLLATE NOCASE$'), r'varchar(\1) NULL'),
]


def convert_type(sqlite_type, where):
    for pattern, replacement in TYPES:
        if pattern.match(sqlite_type):
            return pattern.sub(replacement, sqlite_type)
    sys.exit('%s: no SQL Server type for %r' % (where, sqlite_type))


def convert(source):
    out = ['-- Produced by to_tsql.py from ../%s; edit that file, not this one.' % source.name,
           '-- The database must use a case-insensitive collation.']
    for number, line in enumerate(source.read_text().splitlines(), 1):
        where = '%s:%d' % (source.name, number)
        stripped = line.strip()
        if stripped.startswith('--') and number <= 3:
            continue  # the SQLite file's own header
        create = re.match(r'^CREATE TABLE (\w+) \($', stripped)
        column = re.match(r'^(\w+) (.+?)(,?)$', stripped)
        if not stripped or stripped.startswith('--'):
            out.append(line)
        elif create:
            out.append('CREATE TABLE dbo.%s (' % create.group(1))
        elif stripped == ');':
            out.extend([');', 'GO'])
        elif column:
            out.append('  %s %s%s' % (column.group(1), convert_type(column.group(2), where),
                                      column.group(3)))
        else:
            sys.exit('%s: cannot read %r' % (where, line))
    return '\n'.join(out).rstrip('\n') + '\n'


def main():
    target = HERE / 'sqlserver'
    target.mkdir(exist_ok=True)
    for name in ('main.sql', 'year.sql'):
        (target / name).write_text(convert(HERE / name))


if __name__ == '__main__':
    main()
