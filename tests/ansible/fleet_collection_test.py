# The quarn.fleet collection driven by ansible-playbook against sites that are all this machine.
# Exit status 77 (a CTest skip) when ansible-playbook is not installed, or when the test needs a
# network namespace and cannot make one.
from __future__ import annotations

import csv
import json
import os
import shutil
import subprocess
import sys
import tempfile
import unittest
from pathlib import Path

from fleet_sites import (COLLECTIONS, ROLLOUT_PLAYBOOK, TEST_PLAYBOOKS, PrinterSim, Site, run_playbook, sha256_of,
                         write_inventory)

FIRMWARE_BYTES = 300 * 1024 + 7
REPORT_COLUMNS = ('site', 'printer', 'port', 'file', 'result', 'bytes_taken', 'file_size', 'sha256', 'code', 'text',
                  'detail', 'started', 'ended')


class FleetTest(unittest.TestCase):
    def setUp(self):
        self.root = Path(tempfile.mkdtemp(prefix='quarn-fleet-'))
        self.sites = []
        self.firmware = self.root / 'firmware.prg'
        self.firmware.write_bytes(os.urandom(FIRMWARE_BYTES))

    def tearDown(self):
        for site in self.sites:
            if site.sim:
                site.sim.stop()
        shutil.rmtree(self.root, ignore_errors=True)

    def add_site(self, name, printers, **options):
        site = Site(name, self.root, printers, **options)
        site.start_printers()
        self.sites.append(site)
        return site

    def three_sites(self, failing_site=None):
        """Three sites of two printers each; the first printer of FAILING_SITE resets the connection half-way."""
        for number, name in enumerate(('site-a', 'site-b', 'site-c'), start=1):
            # Bytes taken are what the printer's side acknowledged; a small receive buffer keeps
            # its system from acknowledging the whole file before the printer resets.
            reset = ',reset=%d,rcvbuf=4096' % (FIRMWARE_BYTES // 2) if name == failing_site else ''
            self.add_site(name, {'%s-dock' % name: ('127.0.77.%d' % (number * 10 + 1), reset),
                                 '%s-bench' % name: ('127.0.77.%d' % (number * 10 + 2), '')},
                          use_path=name == 'site-b')
        return write_inventory(self.root, self.sites)

    def site_printers(self, inventory, *options):
        return run_playbook(self.root, TEST_PLAYBOOKS / 'site_printers.yml', inventory,
                            '-e', 'test_file=%s' % self.firmware, *options)


class Rollout(FleetTest):
    def rollout(self, inventory, *options):
        return run_playbook(self.root, ROLLOUT_PLAYBOOK, inventory, '-e', 'firmware=%s' % self.firmware,
                            '-e', 'rollout_report_dir=%s' % self.root, *options)

    def report(self):
        """The rows of the JSON report by site and printer, once the CSV report is seen to hold the same."""
        rows = json.loads((self.root / 'rollout-report.json').read_text())
        with open(self.root / 'rollout-report.csv', newline='') as table:
            self.assertEqual(list(csv.DictReader(table)),
                             [{column: '' if row.get(column) is None else str(row[column]) for column in REPORT_COLUMNS}
                              for row in rows], 'the CSV report differs from the JSON one')
        return {(row['site'], row['printer']): row for row in rows}

    def stop_printers(self):
        return {site.name: site.sim.stop() for site in self.sites}

    def test_every_printer_of_every_site_gets_its_file_byte_for_byte_once_and_then_is_skipped(self):
        inventory = self.three_sites()
        run = self.rollout(inventory)
        self.assertEqual(run.returncode, 0, run.explain())
        rows = self.report()
        self.assertEqual(sorted(rows), sorted((site.name, printer) for site in self.sites for printer in site.printers))
        expected = (FIRMWARE_BYTES, sha256_of(self.firmware))
        self.assertEqual({(row['result'], row['bytes_taken'], row['sha256']) for row in rows.values()}, {('ok', *expected)})

        # Every printer has the file now: neither a check nor a second rollout would send it again.
        for options in (['--check'], []):
            again = self.rollout(inventory, *options)
            self.assertEqual(again.returncode, 0, again.explain())
            rows = self.report()
            self.assertEqual(sorted(rows), sorted((site.name, printer) for site in self.sites for printer in site.printers))
            self.assertEqual({row['result'] for row in rows.values()}, {'skipped'}, options)
        connections = self.stop_printers()
        for site in self.sites:
            received = sorted((entry['printer'], entry['bytes'], entry['sha256']) for entry in connections[site.name])
            self.assertEqual(received, sorted((printer, *expected) for printer in site.printers),
                             'what %s received, one connection per printer' % site.name)

    def test_check_mode_reports_what_would_be_sent_and_opens_no_connection(self):
        inventory = self.three_sites()
        # The documents exist, so that there is something to foresee.
        prepared = self.site_printers(inventory)
        self.assertEqual(prepared.returncode, 0, prepared.explain())
        documents = {site.name: site.document.read_bytes() for site in self.sites}

        checked = self.rollout(inventory, '--check')
        self.assertEqual(checked.returncode, 0, checked.explain())
        rows = self.report()
        self.assertEqual(sorted(rows), sorted((site.name, printer) for site in self.sites for printer in site.printers))
        self.assertEqual({(row['result'], row['file']) for row in rows.values()}, {('would send', str(self.firmware))})
        self.assertEqual({site.name: site.document.read_bytes() for site in self.sites}, documents)
        self.assertFalse(any(site.firmware.exists() for site in self.sites), 'check mode copied the firmware')
        self.assertEqual(self.stop_printers(), {site.name: [] for site in self.sites})


    def test_a_site_with_a_failing_printer_fails_and_stops_the_rollout_and_the_report_says_why(self):
        inventory = self.three_sites(failing_site='site-a')
        # One site per batch: the failed first site stops the rollout before the others.
        run = self.rollout(inventory, '-e', 'rollout_batch=1', '-e', 'rollout_skip_current=false')
        self.assertNotEqual(run.returncode, 0, run.explain())
        self.assertEqual(run.stats('site-a')['failures'], 1, run.explain())
        self.assertNotIn('site-b', run.report['stats'], 'the rollout went on after a failed batch')
        rows = self.report()
        self.assertEqual(sorted(rows), [('site-a', 'site-a-bench'), ('site-a', 'site-a-dock')])
        delivered = rows['site-a', 'site-a-bench']
        self.assertEqual((delivered['result'], delivered['bytes_taken'], delivered['sha256']),
                         ('ok', FIRMWARE_BYTES, sha256_of(self.firmware)))
        failed = rows['site-a', 'site-a-dock']
        self.assertEqual(failed['result'], 'failed')
        self.assertNotEqual(failed['code'], 0)
        self.assertTrue(failed['text'])
        self.assertLess(failed['bytes_taken'], FIRMWARE_BYTES)
        self.assertIsNone(failed['sha256'])
        connections = self.stop_printers()
        self.assertEqual(connections['site-b'] + connections['site-c'], [])

    def test_allowed_failures_keep_a_site_with_a_failing_printer_going(self):
        inventory = self.three_sites(failing_site='site-b')
        run = self.rollout(inventory, '-e', 'rollout_allowed_failures=50%', '-e', 'rollout_skip_current=false')
        self.assertEqual(run.returncode, 0, run.explain())
        rows = self.report()
        self.assertEqual(rows['site-b', 'site-b-dock']['result'], 'failed')
        self.assertEqual([key for key, row in rows.items() if row['result'] != 'ok'], [('site-b', 'site-b-dock')])

        # A retry goes only to the printer that failed, which fails again: alone, it is too many.
        retry = self.rollout(inventory, '-e', 'rollout_allowed_failures=50%', '-e', 'rollout_failed_only=true')
        self.assertNotEqual(retry.returncode, 0, retry.explain())
        self.assertEqual([(key, row['result']) for key, row in self.report().items()], [(('site-b', 'site-b-dock'), 'failed')])
        connections = self.stop_printers()
        self.assertEqual(sorted(entry['printer'] for entry in connections['site-b']), ['site-b-bench', 'site-b-dock', 'site-b-dock'])

class Printers(FleetTest):
    def test_a_second_run_changes_nothing_and_check_mode_leaves_the_document_alone(self):
        inventory = self.three_sites()
        first = self.site_printers(inventory)
        self.assertEqual(first.returncode, 0, first.explain())
        listed = {site.name: json.loads(site.quarnctl('list', str(site.document), '--json').stdout) for site in self.sites}
        for site in self.sites:
            self.assertEqual(sorted(entry['name'] for entry in listed[site.name]),
                             sorted(list(site.printers) + ['Packing', 'Shelf', 'Returns']))
        documents = {site.name: site.document.read_bytes() for site in self.sites}

        second = self.site_printers(inventory)
        self.assertEqual(second.returncode, 0, second.explain())
        self.assertEqual({site.name: second.stats(site.name)['changed'] for site in self.sites},
                         {site.name: 0 for site in self.sites}, second.explain())
        self.assertEqual({site.name: site.document.read_bytes() for site in self.sites}, documents)

        changed = self.site_printers(inventory, '--check', '--diff', '-e', 'packing_baud=19200', '-e', 'shelf_state=absent')
        self.assertEqual(changed.returncode, 0, changed.explain())
        for site in self.sites:
            self.assertEqual(changed.stats(site.name)['changed'], 2, changed.explain())
        self.assertEqual({site.name: site.document.read_bytes() for site in self.sites}, documents)

        applied = self.site_printers(inventory, '-e', 'packing_baud=19200', '-e', 'shelf_state=absent')
        self.assertEqual(applied.returncode, 0, applied.explain())
        packing = [entry for entry in json.loads(self.sites[0].quarnctl('list', str(self.sites[0].document), '--json').stdout)
                   if entry['name'] in ('Packing', 'Shelf')]
        self.assertEqual([(entry['name'], entry['baud']) for entry in packing], [('Packing', 19200)])

    def test_settings_quarnctl_refuses_leave_the_printer_as_it_was(self):
        inventory = self.three_sites()
        self.assertEqual(self.site_printers(inventory).returncode, 0)
        site = self.sites[0]
        listed = site.quarnctl('list', str(site.document), '--json').stdout
        dock = site.host_vars()['site_printers'][0]
        # The bench printer moved onto the dock's address: re-adding it there is refused.
        playbook = self.root / 'move.yml'
        playbook.write_text(json.dumps([{'hosts': site.name, 'gather_facts': False,
                                         'environment': '{{ site_environment }}',
                                         'tasks': [{'name': 'Move', 'quarn.fleet.printers': {
                                             'document': str(site.document), 'name': 'site-a-bench', 'port': dock['port'],
                                             'tcp_port': dock['tcp_port'], 'quarnctl': '{{ quarnctl_path }}'}}]}]))
        run = run_playbook(self.root, playbook, inventory)
        self.assertNotEqual(run.returncode, 0, run.explain())
        moved = run.results('Move')[site.name]
        self.assertIn('already been used', moved['msg'])
        self.assertFalse(moved['changed'])
        self.assertEqual(site.quarnctl('list', str(site.document), '--json').stdout, listed)

    def test_a_missing_quarnctl_and_quarnctls_own_refusal_fail_the_task_with_their_reason(self):
        site = Site('site-a', self.root, {})
        inventory = write_inventory(self.root, [site])
        run = self.site_printers(inventory, '-e', 'quarnctl_path=%s' % (self.root / 'no-quarnctl'))
        self.assertNotEqual(run.returncode, 0)
        self.assertIn('quarnctl is not an executable file', json.dumps(run.report), run.explain())

        site.document.write_bytes(b'\x02')
        run = self.site_printers(inventory)
        self.assertNotEqual(run.returncode, 0)
        said = site.quarnctl('list', str(site.document)).stderr.strip()
        self.assertTrue(said)
        self.assertIn(said, json.dumps(run.report), run.explain())
        self.assertEqual(site.document.read_bytes(), b'\x02')


class Documentation(unittest.TestCase):
    def test_ansible_doc_shows_every_option_each_module_takes_with_examples_and_return_values(self):
        modules = sorted(path.stem for path in (COLLECTIONS / 'ansible_collections/quarn/fleet/plugins/modules').glob('*.py'))
        self.assertEqual(modules, ['detect', 'download', 'printers'])
        environment = dict(os.environ, ANSIBLE_COLLECTIONS_PATH=str(COLLECTIONS), PYTHONDONTWRITEBYTECODE='1')
        for module in modules:
            name = 'quarn.fleet.' + module
            shown = subprocess.run(['ansible-doc', '--json', name], env=environment, capture_output=True, text=True,
                                   timeout=120)
            self.assertEqual(shown.returncode, 0, shown.stderr)
            doc = json.loads(shown.stdout)[name]
            self.assertTrue(doc['examples'] and doc['return'], name)
            # The module itself names every parameter it takes when it is given one it does not.
            refused = subprocess.run(['ansible', 'localhost', '-m', name, '-a', 'document=/nonexistent name=x no_such_option=1'],
                                     env=environment, capture_output=True, text=True, timeout=120)
            taken = refused.stdout.split('Supported parameters include: ')[-1].split('.')[0].split(', ')
            self.assertEqual(sorted(doc['doc']['options']), sorted(taken), name + '\n' + refused.stdout)


class Detect(FleetTest):
    """The search broadcasts, so it runs only between two network namespaces of the test's own."""

    def setUp(self):
        super().setUp()
        tag = str(os.getpid())
        self.program, self.printers = 'quarn-fleet-prog-' + tag, 'quarn-fleet-prn-' + tag
        made = all(subprocess.run(command, capture_output=True).returncode == 0 for command in (
            ['ip', 'netns', 'add', self.program],
            ['ip', 'netns', 'add', self.printers],
            ['ip', '-n', self.program, 'link', 'add', 'veth0', 'type', 'veth', 'peer', 'name', 'veth1',
             'netns', self.printers],
            ['ip', '-n', self.program, 'addr', 'add', '10.232.0.1/24', 'brd', '+', 'dev', 'veth0'],
            ['ip', '-n', self.program, 'link', 'set', 'veth0', 'up'],
            ['ip', '-n', self.program, 'link', 'set', 'lo', 'up'],
            ['ip', '-n', self.program, 'route', 'add', 'default', 'dev', 'veth0'],
            ['ip', '-n', self.printers, 'addr', 'add', '10.232.0.2/24', 'brd', '+', 'dev', 'veth1'],
            ['ip', '-n', self.printers, 'addr', 'add', '10.232.0.3/24', 'brd', '+', 'dev', 'veth1'],
            ['ip', '-n', self.printers, 'link', 'set', 'veth1', 'up']))
        if not made:
            self.tearDown()
            self.skipTest('no pair of network namespaces of the test\'s own can be made here (needs root)')

    def tearDown(self):
        super().tearDown()
        for namespace in (self.program, self.printers):
            subprocess.run(['ip', 'netns', 'del', namespace], capture_output=True)

    def site_with_printers(self):
        """A site whose document knows 10.232.0.3 as Old; Office and Lab answer the search."""
        site = Site('site-a', self.root, {})
        self.sites.append(site)
        self.assertEqual(site.quarnctl('add', str(site.document), '--network', '10.232.0.3', '--name', 'Old').returncode, 0)
        site.sim = PrinterSim(site.folder, ['Office@10.232.0.2:9100,discovery', 'Lab@10.232.0.3:9100,discovery'],
                              prefix=['ip', 'netns', 'exec', self.printers],
                              options=['--discovery-broadcast', '255.255.255.255'])
        return site

    def test_detect_adds_and_renames_what_answers_and_a_second_search_changes_nothing(self):
        site = self.site_with_printers()
        inventory = write_inventory(self.root, [site])
        inside = ['ip', 'netns', 'exec', self.program]

        first = run_playbook(self.root, TEST_PLAYBOOKS / 'site_detect.yml', inventory, prefix=inside)
        self.assertEqual(first.returncode, 0, first.explain())
        found = first.results('Search the site')['site-a']
        self.assertTrue(found['changed'])
        self.assertEqual(found['added'], [dict(name='Office', kind='network', port='10.232.0.2')])
        self.assertEqual(found['renamed'], [dict(old_name='Old', name='Lab', kind='network', port='10.232.0.3')])

        again = run_playbook(self.root, TEST_PLAYBOOKS / 'site_detect.yml', inventory, prefix=inside)
        self.assertEqual(again.returncode, 0, again.explain())
        self.assertFalse(again.results('Search the site')['site-a']['changed'], again.explain())

    def test_a_search_that_cannot_take_its_port_fails_the_task_with_quarnctls_reason(self):
        site = self.site_with_printers()
        inventory = write_inventory(self.root, [site])
        before = site.document.read_bytes()
        # Beside the simulator, whose printers hold the search's UDP port.
        run = run_playbook(self.root, TEST_PLAYBOOKS / 'site_detect.yml', inventory,
                           prefix=['ip', 'netns', 'exec', self.printers])
        self.assertNotEqual(run.returncode, 0, run.explain())
        failed = run.results('Search the site')['site-a']
        self.assertTrue(failed['failed'])
        self.assertEqual((failed['rc'], failed['added'], failed['renamed']), (1, [], []), run.explain())
        self.assertEqual(failed['msg'], failed['stderr'].strip(), 'the reason is quarnctl\'s own')
        self.assertIn('4201', failed['msg'])
        self.assertEqual(site.document.read_bytes(), before)


def main():
    if shutil.which('ansible-playbook') is None:
        print('SKIPPED: ansible-playbook is not installed (Debian package ansible-core)')
        return 77
    result = unittest.main(exit=False, verbosity=2).result
    if not result.wasSuccessful():
        return 1
    return 77 if result.skipped and result.testsRun == len(result.skipped) else 0


if __name__ == '__main__':
    sys.exit(main())
