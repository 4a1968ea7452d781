# Runs the Orca screen reader's own start script as a test's private reader: under this script's
# process name (Debian's start script names itself "orca", and another start of it anywhere on the
# machine stops every process of that name), and with its look for other running readers, which
# goes by that name, finding none. The arguments are Orca's own.
import sys

ORCA = "/usr/bin/orca"

with open(ORCA, encoding="utf-8") as script:
    code = compile(script.read(), ORCA, "exec")
scope = {"__name__": "storm_test_orca", "__file__": ORCA}
exec(code, scope)
scope["setProcessName"] = lambda name: False
scope["otherOrcas"] = lambda: []
sys.argv = [sys.argv[0]] + sys.argv[1:]
sys.exit(scope["main"]())
