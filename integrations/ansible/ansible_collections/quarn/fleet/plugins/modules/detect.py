#!/usr/bin/python3
# Detection into a document, reported as the printers it added and renamed.
from __future__ import annotations

DOCUMENTATION = r'''
module: detect
short_description: Finds a site's printers and adds them to a printer-settings document
description:
  - Runs C(quarnctl detect), which looks for USB printers and searches the site's network (a
    broadcast that takes 10 seconds and does not cross routers, so it runs on a computer of the
    printers' own network), then adds each new printer to the document and renames a known
    network printer that answers with another name.
  - The document is created when it does not exist.
  - When the network search fails (its port taken, no way to send its broadcast) the task fails
    with quarnctl's reason and still returns what was added.
  - A search cannot be foreseen, so check mode skips this module.
version_added: 2.7.0
author: Quarn Technologies Corporation
extends_documentation_fragment: quarn.fleet.quarnctl
options:
  usb:
    description: Look for USB printers.
    type: bool
    default: true
  network:
    description: Search the network.
    type: bool
    default: true
'''

EXAMPLES = r'''
- name: Every printer of the site in its document
  quarn.fleet.detect:
    document: /srv/labels/site.qps
  register: found

- name: Network printers only
  quarn.fleet.detect:
    document: /srv/labels/site.qps
    usb: false
'''

RETURN = r'''
added:
  description: The printers the search added, each with its name, kind and port.
  returned: always
  type: list
  elements: dict
  sample: [{name: Printer#3, kind: network, port: 10.20.0.31}]
renamed:
  description: The known printers that answered with another name, each with old_name, name, kind and port.
  returned: always
  type: list
  elements: dict
  sample: [{old_name: Dock, name: Dock-1, kind: network, port: 10.20.0.31}]
stdout_lines:
  description: What quarnctl reported, one line per printer.
  returned: always
  type: list
  elements: str
'''

from ansible.module_utils.basic import AnsibleModule
from ansible_collections.quarn.fleet.plugins.module_utils.quarnctl import Quarnctl, quarnctl_argument_spec


def by_port(printers):
    return {(entry['kind'], entry['port']): entry['name'] for entry in printers}


def main():
    argument_spec = quarnctl_argument_spec()
    argument_spec.update(usb=dict(type='bool', default=True), network=dict(type='bool', default=True))
    module = AnsibleModule(argument_spec=argument_spec, supports_check_mode=False)
    if not module.params['usb'] and not module.params['network']:
        module.fail_json(msg='usb and network are both false: there is nothing to search')
    quarnctl = Quarnctl(module)

    before = by_port(quarnctl.printers())
    command = ['detect', quarnctl.document]
    if not module.params['usb']:
        command.append('--no-usb')
    if not module.params['network']:
        command.append('--no-network')
    # 1: the network search failed; what USB gave is kept all the same, and reported.
    rc, out, err = quarnctl.run(command, allowed=(0, 1))
    after = by_port(quarnctl.printers())

    added = [dict(name=name, kind=kind, port=port) for (kind, port), name in after.items() if (kind, port) not in before]
    renamed = [dict(old_name=before[key], name=name, kind=key[0], port=key[1])
               for key, name in after.items() if key in before and before[key] != name]
    result = dict(changed=bool(added or renamed), added=added, renamed=renamed)
    if rc != 0:
        quarnctl.fail([quarnctl.path] + command, rc, out, err, **result)
    module.exit_json(stdout_lines=out.splitlines(), stderr_lines=err.splitlines(), **result)


if __name__ == '__main__':
    main()
