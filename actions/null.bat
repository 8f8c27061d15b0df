: Stands for an empty command: runs and does nothing.
exit 0
