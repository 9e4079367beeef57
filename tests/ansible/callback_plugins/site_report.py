# The tests read what a playbook did from one JSON document on stdout: every play (each batch
# of a serial play is a play of its own), its tasks with each host's result, and each host's
# totals. ansible-core brings no such output of its own, so the tests carry this one.
from __future__ import annotations

import json

from ansible.parsing.ajson import AnsibleJSONEncoder
from ansible.plugins.callback import CallbackBase

DOCUMENTATION = '''
name: site_report
type: stdout
short_description: the playbook's plays, task results and host totals as one JSON document
description:
  - Written to stdout when the playbook ends, for the quarn.fleet collection's tests.
'''


class CallbackModule(CallbackBase):
    CALLBACK_VERSION = 2.0
    CALLBACK_TYPE = 'stdout'
    CALLBACK_NAME = 'site_report'

    def __init__(self, *args, **kwargs):
        super().__init__(*args, **kwargs)
        self._plays = []

    def v2_playbook_on_play_start(self, play):
        self._plays.append({'play': {'name': play.get_name()}, 'tasks': []})

    def v2_playbook_on_task_start(self, task, is_conditional):
        self._plays[-1]['tasks'].append({'task': {'name': task.get_name()}, 'hosts': {}})

    def v2_playbook_on_handler_task_start(self, task):
        self.v2_playbook_on_task_start(task, False)

    # Callbacks get a copy of the result without its 'failed' and 'skipped' flags; the
    # event says which it was.
    def _record(self, result, **extra):
        self._plays[-1]['tasks'][-1]['hosts'][result._host.get_name()] = dict(result._result, **extra)

    def v2_runner_on_ok(self, result):
        self._record(result)

    def v2_runner_on_failed(self, result, ignore_errors=False):
        self._record(result, failed=True)

    def v2_runner_on_skipped(self, result):
        self._record(result, skipped=True)

    def v2_runner_on_unreachable(self, result):
        self._record(result, unreachable=True)

    def v2_playbook_on_stats(self, stats):
        totals = {host: stats.summarize(host) for host in sorted(stats.processed)}
        self._display.display(json.dumps({'plays': self._plays, 'stats': totals}, cls=AnsibleJSONEncoder,
                                         indent=1, sort_keys=True))
