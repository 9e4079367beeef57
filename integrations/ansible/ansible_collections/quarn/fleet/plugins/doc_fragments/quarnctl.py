# The options every module of the collection shares.


class ModuleDocFragment(object):
    DOCUMENTATION = r'''
options:
  document:
    description:
      - The printer-settings document (C(.qps)) on the target.
    type: path
    required: true
  quarnctl:
    description:
      - Path of C(quarnctl) on the target.
      - When not given, C(quarnctl) is looked for on the target's C(PATH).
    type: path
notes:
  - quarnctl keeps its settings, journal and lock under C(XDG_CONFIG_HOME), C(XDG_STATE_HOME)
    and C(XDG_RUNTIME_DIR); a play's C(environment) gives a site its own.
  - When quarnctl fails, the task fails with quarnctl's own message in C(msg).
'''
