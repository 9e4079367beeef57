#!/usr/bin/python3
# Downloads to a site's printers and gives every printer's outcome back to the play.
from __future__ import annotations

DOCUMENTATION = r'''
module: download
short_description: Downloads each printer's file and returns every printer's outcome
description:
  - Runs C(quarnctl download --json) on the document's printers (those named, or every printer
    that has a download file) and returns the outcome quarnctl gives for each.
  - The task is changed when any printer received bytes.
  - The host fails when any printer failed or was cancelled, unless O(allowed_failures) allows
    that many.
  - In check mode nothing is sent and no printer is opened; the task reports the printers a
    download would send to and their files.
version_added: 2.7.0
author: Quarn Technologies Corporation
extends_documentation_fragment: quarn.fleet.quarnctl
options:
  names:
    description: The printers to download to; every printer that has a download file when empty.
    type: list
    elements: str
    default: []
  stall_timeout:
    description:
      - Seconds (10 to 3600) a printer may take no byte before its download fails, for this run.
      - When not given, the stored StallTimeout of the site holds (120 seconds unless set).
    type: int
  failed_only:
    description: Only the printers whose last download of this document, in the journal, failed or was cancelled.
    type: bool
    default: false
  skip_current:
    description: Leave out the printers whose last download of this document, in the journal, put the same file (same SHA-256) on them.
    type: bool
    default: false
  allowed_failures:
    description:
      - How many printers may fail or be cancelled before the host fails, as a count (C(2)) or
        as a percentage of the printers downloaded to (C(10%)).
    type: str
    default: '0'
  journal:
    description: The journal of downloads to read and append to, instead of the site's own (C($XDG_STATE_HOME/quarn/downloads.jsonl)).
    type: path
'''

EXAMPLES = r'''
- name: Every printer of the site gets its file; one printer in ten may fail
  quarn.fleet.download:
    document: /srv/labels/site.qps
    skip_current: true
    stall_timeout: 60
    allowed_failures: 10%
  register: rollout

- name: Again, only where it failed
  quarn.fleet.download:
    document: /srv/labels/site.qps
    failed_only: true

- name: Two printers
  quarn.fleet.download:
    document: /srv/labels/site.qps
    names: [Dock-1, Dock-2]
'''

RETURN = r'''
outcomes:
  description:
    - One outcome per printer downloaded to, exactly as C(quarnctl download --json) gives it -
      printer, model, port_kind, port, file, file_size, sha256, bytes_taken, result (ok, failed or
      cancelled), confirmed, code, text, detail, calibration, calibration_message, started, ended,
      duration_s. Empty in check mode.
  returned: always
  type: list
  elements: dict
failed_printers:
  description: The names of the printers that failed or were cancelled.
  returned: always
  type: list
  elements: str
skipped_printers:
  description: The printers left out because they already have their file (with O(skip_current)).
  returned: always
  type: list
  elements: str
would_send:
  description: In check mode, each printer a download would send to, with its port and file.
  returned: check mode
  type: list
  elements: dict
  sample: [{printer: Dock-1, kind: network, port: 10.20.0.31, file: /srv/labels/firmware-4.3.prg}]
'''

import json
import re

from ansible.module_utils.basic import AnsibleModule
from ansible_collections.quarn.fleet.plugins.module_utils.quarnctl import Quarnctl, quarnctl_argument_spec
from ansible_collections.quarn.fleet.plugins.module_utils.journal import last_outcomes, sha256_of

SKIPPED_LINE = re.compile(r'^(?:quarnctl: )?(.*) skipped: already has this file$')


def failures_allowed(module, printers):
    text = module.params['allowed_failures'].strip()
    match = re.fullmatch(r'(\d+)(%?)', text)
    if not match:
        module.fail_json(msg='allowed_failures is a count (2) or a percentage (10%%), not %r' % text)
    number = int(match.group(1))
    return number * printers // 100 if match.group(2) else number


def download(module, quarnctl, global_options):
    params = module.params
    command = global_options + ['download', quarnctl.document] + params['names'] + ['--json']
    if params['stall_timeout'] is not None:
        command += ['--stall-timeout', str(params['stall_timeout'])]
    if params['failed_only']:
        command.append('--failed')
    if params['skip_current']:
        command.append('--skip-current')
    # 1 is a printer that failed or was cancelled: its outcome says so. Other statuses mean that
    # no download ran (wrong arguments, an unusable document, the printers held elsewhere).
    rc, out, err = quarnctl.run(command, allowed=(0, 1))
    try:
        outcomes = json.loads(out)
    except ValueError:
        quarnctl.fail([quarnctl.path] + command, rc, out, err)
    skipped = [match.group(1) for match in map(SKIPPED_LINE.match, err.splitlines()) if match]
    return outcomes, skipped


def foresee(module, quarnctl):
    """The printers a download would send to, without opening any of them."""
    params = module.params
    printers = quarnctl.printers()
    known = {entry['name'] for entry in printers}
    unknown = [name for name in params['names'] if name not in known]
    if unknown:
        module.fail_json(msg='There is no printer named %s in %s.' % (', '.join(unknown), quarnctl.document))
    chosen = [entry for entry in printers
              if (entry['name'] in params['names'] if params['names'] else entry['downloadFile'])]
    without_file = [entry['name'] for entry in chosen if not entry['downloadFile']]
    if without_file:
        module.fail_json(msg='%s: no download file chosen, so a download would refuse to start' % ', '.join(without_file))
    last = last_outcomes(params['journal'], quarnctl.document) if params['failed_only'] or params['skip_current'] else {}
    if params['failed_only']:
        chosen = [entry for entry in chosen if last.get(entry['name'], {}).get('result') in ('failed', 'cancelled')]
    skipped = []
    if params['skip_current']:
        for entry in list(chosen):
            outcome = last.get(entry['name'], {})
            if outcome.get('result') == 'ok' and outcome.get('sha256') and outcome['sha256'] == sha256_of(entry['downloadFile']):
                chosen.remove(entry)
                skipped.append(entry['name'])
    would_send = [dict(printer=entry['name'], kind=entry['kind'], port=entry['port'], file=entry['downloadFile'])
                  for entry in chosen]
    return would_send, skipped


def main():
    argument_spec = quarnctl_argument_spec()
    argument_spec.update(
        names=dict(type='list', elements='str', default=[]),
        stall_timeout=dict(type='int'),
        failed_only=dict(type='bool', default=False),
        skip_current=dict(type='bool', default=False),
        allowed_failures=dict(type='str', default='0'),
        journal=dict(type='path'),
    )
    module = AnsibleModule(argument_spec=argument_spec, supports_check_mode=True)
    quarnctl = Quarnctl(module)
    failures_allowed(module, 0)

    if module.check_mode:
        would_send, skipped = foresee(module, quarnctl)
        module.exit_json(changed=bool(would_send), would_send=would_send, outcomes=[], failed_printers=[], skipped_printers=skipped)

    journal = module.params['journal']
    outcomes, skipped = download(module, quarnctl, ['--journal', journal] if journal else [])
    failed = [outcome['printer'] for outcome in outcomes if outcome['result'] != 'ok']
    result = dict(changed=any(outcome['bytes_taken'] > 0 for outcome in outcomes),
                  outcomes=outcomes, failed_printers=failed, skipped_printers=skipped)
    allowed = failures_allowed(module, len(outcomes))
    if len(failed) > allowed:
        reasons = ['%s: %s' % (outcome['printer'], ' - '.join(part for part in (outcome['result'], outcome['text'], outcome['detail']) if part))
                   for outcome in outcomes if outcome['result'] != 'ok']
        module.fail_json(msg='%d of %d printers failed (%d allowed): %s'
                         % (len(failed), len(outcomes), allowed, '; '.join(reasons)), **result)
    module.exit_json(**result)


if __name__ == '__main__':
    main()
