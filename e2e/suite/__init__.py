"""End-to-end suite of ReaderCheck.exe under Wine (entry point: e2e/run.sh)."""
