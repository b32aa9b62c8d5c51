#!/bin/sh
# The Wine server of one test run under Wine: "start" before the first test,
# "stop" after the last (WINEPREFIX and the rest come from the caller).
#
# Left to each test's own Wine, the server stops a few seconds after a test and
# can lose the next test that starts meanwhile. Started here instead, it and
# the services Wine starts with it hold no test's output open, which would
# keep the test runner waiting for that test to end.
wine=$1
wineserver=$2
case $3 in
start)
    # Status 2: a server of this prefix runs already, which serves as well.
    "$wineserver" -p </dev/null >/dev/null 2>&1 || [ $? -eq 2 ] || exit 1
    exec "$wine" cmd.exe /c exit </dev/null >/dev/null 2>&1
    ;;
stop)
    "$wineserver" -k </dev/null >/dev/null 2>&1
    exit 0
    ;;
esac
exit 64
