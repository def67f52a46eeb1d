#!/usr/bin/env python3
# Prints what a Windows executable says it is, one line per file: its machine, the numbers of its
# version resource and the resource's ProductVersion and FileVersion texts (pefile, Debian's python3-pefile).
#   win32_pe_version.py FILE...   e.g. "0x8664 1.0.0.0 1.0.0 1.0.0"; "none" for what is no such file
import sys

import pefile

for path in sys.argv[1:]:
    try:
        pe = pefile.PE(path)
        fixed = pe.VS_FIXEDFILEINFO[0]
        strings = {}
        for info in pe.FileInfo[0]:
            for table in getattr(info, 'StringTable', []):
                strings.update((k.decode(), v.decode()) for k, v in table.entries.items())
        numbers = (fixed.FileVersionMS >> 16, fixed.FileVersionMS & 0xffff,
                   fixed.FileVersionLS >> 16, fixed.FileVersionLS & 0xffff)
        print(hex(pe.FILE_HEADER.Machine), '.'.join(map(str, numbers)),
              strings.get('ProductVersion', '-'), strings.get('FileVersion', '-'))
    except (OSError, pefile.PEFormatError, AttributeError, IndexError):
        print('none')
