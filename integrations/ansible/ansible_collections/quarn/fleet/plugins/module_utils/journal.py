# What the journal of downloads says about a document's printers, for a check-mode run that must
# foresee quarnctl's --failed and --skip-current without sending anything.
from __future__ import annotations

import hashlib
import json
import os


def journal_path(given):
    if given:
        return given
    state = os.environ.get('XDG_STATE_HOME', '')
    if not os.path.isabs(state):
        state = os.path.join(os.path.expanduser('~'), '.local', 'state')
    return os.path.join(state, 'quarn', 'downloads.jsonl')


def last_outcomes(given, document):
    """The last journal line of each printer of DOCUMENT, by printer name; damaged lines are passed over."""
    path = journal_path(given)
    document = os.path.realpath(document)
    last = {}
    # The rotated file holds what came before the current one.
    for name in (path + '.1', path):
        try:
            with open(name, 'rb') as journal:
                lines = journal.read().splitlines()
        except FileNotFoundError:
            continue
        for line in lines:
            try:
                entry = json.loads(line)
            except ValueError:
                continue
            if isinstance(entry, dict) and entry.get('document') == document and 'printer' in entry:
                last[entry['printer']] = entry
    return last


def sha256_of(path):
    digest = hashlib.sha256()
    try:
        with open(path, 'rb') as source:
            for block in iter(lambda: source.read(1 << 20), b''):
                digest.update(block)
    except OSError:
        return None
    return digest.hexdigest()
