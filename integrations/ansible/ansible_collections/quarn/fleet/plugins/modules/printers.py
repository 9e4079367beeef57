#!/usr/bin/python3
# A printer present or absent in a printer-settings document, changed only when it differs.
from __future__ import annotations

DOCUMENTATION = r'''
module: printers
short_description: A printer present or absent in a printer-settings document
description:
  - Adds, changes or removes one printer of a document with C(quarnctl add), C(set-file) and
    C(remove), after comparing with what C(quarnctl list --json) says the document holds.
  - Only the settings given are compared; a setting left out keeps its value.
  - A printer whose port or port settings, model or calibration change is removed and added
    again with its new settings. When quarnctl refuses the new settings (an address another
    printer has, for one), the printer is put back as it was and the task fails with quarnctl's
    reason.
  - A document that does not exist yet is created when a printer is added.
version_added: 2.7.0
author: Quarn Technologies Corporation
extends_documentation_fragment: quarn.fleet.quarnctl
options:
  name:
    description: The printer's name in the document.
    type: str
    required: true
  state:
    description: Whether the printer is in the document.
    type: str
    choices: [present, absent]
    default: present
  kind:
    description:
      - How the printer is attached. Needed, with O(port), to add a printer.
    type: str
    choices: [network, serial, parallel, usb]
  port:
    description:
      - For C(network), the printer's IPv4 address or host name (a name is resolved on the
        target, and the document keeps the address).
      - For C(serial), the port's name (C(ttyS0), C(ttyUSB0)) or device path.
      - For C(parallel), the port's name (C(lp0)); for C(usb), the device path (C(/dev/usb/lp0)).
    type: str
  tcp_port:
    description: TCP port of a network printer (quarnctl's default, 9100, when adding without it).
    type: int
  baud:
    description: Baud rate of a serial printer.
    type: int
  data_bits:
    description: Data bits of a serial printer.
    type: int
    choices: [7, 8]
  parity:
    description: Parity of a serial printer.
    type: str
    choices: [none, odd, even]
  stop_bits:
    description: Stop bits of a serial printer.
    type: int
    choices: [1, 2]
  flow:
    description: Flow control of a serial printer.
    type: str
    choices: [xonxoff, hardware]
  model:
    description: The model text kept for the printer.
    type: str
  file:
    description:
      - The file to download to the printer, on the target. An empty text clears the choice.
      - The file must exist when it is chosen.
    type: path
  calibrate:
    description: Whether the printer is calibrated after a download.
    type: bool
'''

EXAMPLES = r'''
- name: The dock's printer, with its firmware chosen
  quarn.fleet.printers:
    document: /srv/labels/site.qps
    name: Dock-1
    kind: network
    port: 10.20.0.31
    model: Dock label printer
    file: /srv/labels/firmware-4.2.prg
    calibrate: false

- name: A serial printer at the packing bench
  quarn.fleet.printers:
    document: /srv/labels/site.qps
    name: Packing
    kind: serial
    port: ttyUSB0
    baud: 19200
    flow: xonxoff

- name: Only its download file changes; its port stays as it is
  quarn.fleet.printers:
    document: /srv/labels/site.qps
    name: Dock-1
    file: /srv/labels/firmware-4.3.prg

- name: A printer that left the site
  quarn.fleet.printers:
    document: /srv/labels/site.qps
    name: Old-Dock
    state: absent
'''

RETURN = r'''
printer:
  description:
    - The printer's settings after the task, in the words of this module's options (in check mode,
      as they would be); null when it is absent.
  returned: always
  type: dict
commands:
  description: The quarnctl commands run (in check mode, the ones that would run).
  returned: always
  type: list
  elements: list
'''

import os
import socket

from ansible.module_utils.basic import AnsibleModule
from ansible_collections.quarn.fleet.plugins.module_utils.quarnctl import Quarnctl, quarnctl_argument_spec

PARITY_WORDS = {0: 'none', 1: 'odd', 2: 'even'}
STOP_BITS = {0: 1, 2: 2}
FLOW_WORDS = {1: 'xonxoff', 2: 'hardware'}
SERIAL_SETTINGS = ('baud', 'data_bits', 'parity', 'stop_bits', 'flow')


def settings_of(entry):
    """A printer of list --json in the words of this module's options."""
    settings = dict(kind=entry['kind'], port=entry['port'], model=entry['model'],
                    file=entry['downloadFile'], calibrate=entry['calibrate'])
    if entry['kind'] == 'network':
        settings['tcp_port'] = entry['tcpPort']
    if entry['kind'] == 'serial':
        settings.update(baud=entry['baud'], data_bits=entry['dataBits'],
                        parity=PARITY_WORDS.get(entry['parity'], entry['parity']),
                        stop_bits=STOP_BITS.get(entry['stopBits'], entry['stopBits']),
                        flow=FLOW_WORDS.get(entry['flowControl'], entry['flowControl']))
    return settings


def as_stored(module, wanted):
    """The settings given, written the way the document keeps them."""
    port = wanted.get('port')
    if port is not None:
        if wanted['kind'] == 'network':
            try:
                wanted['port'] = socket.gethostbyname(port)
            except OSError as error:
                module.fail_json(msg='%s cannot be resolved: %s' % (port, error))
        elif wanted['kind'] in ('serial', 'parallel') and port.startswith('/dev/'):
            wanted['port'] = port[len('/dev/'):]
    if wanted.get('file'):
        wanted['file'] = os.path.normpath(os.path.abspath(wanted['file']))
    return wanted


def add_command(document, name, settings):
    command = ['add', document, '--name', name]
    kind, port = settings['kind'], settings['port']
    command += ['--' + kind, '/dev/' + port if kind == 'serial' and '/' in port else port]
    if kind == 'network' and settings.get('tcp_port') is not None:
        command += ['--tcp-port', str(settings['tcp_port'])]
    if kind == 'serial':
        for option in SERIAL_SETTINGS:
            if settings.get(option) is not None:
                command += ['--' + option.replace('_', '-'), str(settings[option])]
    if settings.get('model'):
        command += ['--model', settings['model']]
    if settings.get('calibrate') is False:
        command.append('--no-calibrate')
    return command


def plan(module, current):
    """The quarnctl commands that bring the printer where the task wants it, and what it becomes."""
    params = module.params
    document, name = params['document'], params['name']
    if params['state'] == 'absent':
        return ([['remove', document, name]] if current else []), None

    given = {key: params[key] for key in ('kind', 'port', 'tcp_port', 'model', 'file', 'calibrate') + SERIAL_SETTINGS
             if params[key] is not None}
    before = settings_of(current) if current else {}
    kind = given.setdefault('kind', before.get('kind'))
    if kind is None or 'port' not in given and before.get('kind') != kind:
        module.fail_json(msg='kind and port are needed to add %s to %s or to change its kind' % (name, document))
    if 'tcp_port' in given and kind != 'network' or any(key in given for key in SERIAL_SETTINGS) and kind != 'serial':
        module.fail_json(msg='tcp_port belongs to network printers; baud, data_bits, parity, stop_bits and flow to serial ones')
    # A printer that changes kind keeps only what every kind has.
    kept = before if before.get('kind') == kind else {key: before[key] for key in ('model', 'file', 'calibrate') if key in before}
    wanted = dict(kept, **as_stored(module, given))

    port_changed = any(wanted.get(key) != before.get(key) for key in wanted if key != 'file')
    commands = []
    if port_changed:
        if current is not None:
            commands.append(['remove', document, name])
        commands.append(add_command(document, name, wanted))
    if wanted.get('file') and (port_changed or wanted['file'] != before.get('file')):
        commands.append(['set-file', document, wanted['file'], name])
    elif not port_changed and 'file' in wanted and wanted['file'] != before.get('file'):
        commands.append(['set-file', document, '', name])
    return commands, wanted


def put_back(quarnctl, name, entry):
    """Adds a printer that was removed to be added again with settings quarnctl refused, as it was."""
    before = settings_of(entry)
    quarnctl.run(add_command(quarnctl.document, name, before))
    if before['file']:
        quarnctl.run(['set-file', quarnctl.document, before['file'], name])


def main():
    argument_spec = quarnctl_argument_spec()
    argument_spec.update(
        name=dict(type='str', required=True),
        state=dict(type='str', choices=['present', 'absent'], default='present'),
        kind=dict(type='str', choices=['network', 'serial', 'parallel', 'usb']),
        port=dict(type='str'),
        tcp_port=dict(type='int'),
        baud=dict(type='int'),
        data_bits=dict(type='int', choices=[7, 8]),
        parity=dict(type='str', choices=['none', 'odd', 'even']),
        stop_bits=dict(type='int', choices=[1, 2]),
        flow=dict(type='str', choices=['xonxoff', 'hardware']),
        model=dict(type='str'),
        file=dict(type='path'),
        calibrate=dict(type='bool'),
    )
    module = AnsibleModule(argument_spec=argument_spec, supports_check_mode=True)
    quarnctl = Quarnctl(module)
    name = module.params['name']
    current = next((entry for entry in quarnctl.printers() if entry['name'] == name), None)
    commands, wanted = plan(module, current)

    result = dict(changed=bool(commands), commands=commands, printer=wanted)
    if module._diff:
        result['diff'] = dict(before=settings_of(current) if current else {}, after=wanted or {})
    if module.check_mode or not commands:
        module.exit_json(**result)
    # Checked before anything runs, so that a printer is not added without the file it was meant to get.
    chosen = module.params['file']
    if chosen and not (os.path.isfile(chosen) and os.access(chosen, os.R_OK)):
        module.fail_json(msg='%s is not a file the target can read; the document was left as it was' % chosen)
    for done, command in enumerate(commands):
        rc, out, err = quarnctl.run(command, allowed=range(256))
        if rc != 0:
            if done and commands[0][0] == 'remove':
                put_back(quarnctl, name, current)
                result.update(changed=False, printer=settings_of(current))
            quarnctl.fail([quarnctl.path] + command, rc, out, err, **result)
    result['printer'] = next((settings_of(entry) for entry in quarnctl.printers() if entry['name'] == name), None)
    module.exit_json(**result)


if __name__ == '__main__':
    main()
