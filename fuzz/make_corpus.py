#!/usr/bin/env python3
"""Writes the seed corpus of every fuzz target into corpus/<target>/.

The seeds are small hand-made inputs that reach each target's main paths;
the fuzzers grow their own corpus from them at run time (in the build folder,
not here). Run from anywhere: python3 fuzz/make_corpus.py
"""
import os
import struct

HERE = os.path.dirname(os.path.abspath(__file__))


def write(target, name, data):
    folder = os.path.join(HERE, "corpus", target)
    os.makedirs(folder, exist_ok=True)
    with open(os.path.join(folder, name), "wb") as f:
        f.write(data)


def report(leading, size=64):
    data = bytes(leading)
    return data + bytes(size - len(data))


# Chart data files: what each tool writes, and the odd shapes a reader meets.
chart = {
    "meter": b"vst,5.0120,5.0130,vend,cst,0.5000,0.2000,cend,pst,2.5060,1.0026,pend,",
    "power": b"vst,12.00,11.98,vend,cst,0.600,0.601,cend,pst,7.20,7.20,pend,",
    "bootline": b"cst,0.500,1.235,cend,",
    "intermediate": b"vst,1,2,vend,3,cst,4,",
    "end-then-more": b"cst,1,cend,2,cst,3,",
    "numbers": b"vst,1e3,-2.5E-1,+7,inf,-nan,0x10, 2 ,1e400,4.9e-324,,vend,",
    "crlf": b"vst,1\r\n,2\r\n,vend,\r\n",
    "bom": b"\xef\xbb\xbfvst,1,2,vend,cst,3,cend,",
    "truncated": b"vst,1.5,2.2",
    "long-digits": b"pst," + b"1234567890" * 40 + b",5,pend,",
}
for name, data in chart.items():
    write("fuzz_chartfile", name, data)

# Program tables: what the window writes, and the odd shapes a reader meets.
header = b"Volt(V)\tCurr(A)\tTime(S)\t"
table = {
    "written": header + b"\n12.00\t1.000\t10.0\t\n3.30\t0.500\t0.5\t\n",
    "crlf": header + b"\r\n5\t1\t2\t\r\n",
    "lone-cr": b"A\rB\tC\n1\r\t2\r\r\n3\r",
    "bom-utf8": b"\xef\xbb\xbf" + "电压\t电流\t时间\t\n5\t1\t2\t\n".encode("utf-8"),
    "bom-utf16": b"\xff\xfe" + "V\tA\ts\t\n1\t2\t3\t\n".encode("utf-16-le"),
    "binary": b"\xd0\xcf\x11\xe0\xa1\xb1\x1a\xe1" + bytes(40) + b"\n7\t1\t1\n\xff\xfe",
    "control-characters": header + b"\n1\x01\t2\t3\n\x7f\n4\t5\t6\n",
    "short-and-long-rows": b"T\n1\n\t2\n1\t2\t3\t4\t5\n\n",
    "long-fields": b"x" * 330 + b"\t" + b"y" * 320 + b"\n" + b"1" * 321 + b"\t" + b"2" * 320 + b"\n",
    "truncated": header + b"\n12.5\t1\t10\t\n4.3",
}
for name, data in table.items():
    write("fuzz_programtable", name, data)

# Firmware images: the first byte's high bit stretches the file to near 1 MiB.
write("fuzz_firmwareimage", "small", bytes(range(120)))
write("fuzz_firmwareimage", "empty", b"")
write("fuzz_firmwareimage", "exactly-1MiB", bytes([0x88, 0x00]) + b"image")  # offset 0
write("fuzz_firmwareimage", "one-byte-over", bytes([0x88, 0x01]) + b"image")
write("fuzz_firmwareimage", "just-under", bytes([0x87, 0xFF]) + b"image")

# Firmware acknowledgements: image size (2 bytes), then 64-byte answers.
ready = report([0x02])
write("fuzz_firmwareack", "all-ready", struct.pack(">H", 119) + ready * 2)
write("fuzz_firmwareack", "refused-begin", struct.pack(">H", 119) + report([0x00]))
write("fuzz_firmwareack", "refused-third", struct.pack(">H", 599) + ready * 3 + report([0x01]))
write("fuzz_firmwareack", "no-answer", struct.pack(">H", 599) + ready)

# Meter answers: rate index, then the report (type 8, samples, line voltages).
sample = report([0x08, 0, 0, 0, 0x0F, 0xA0, 0x03, 0xE8] * 1 + [0] * 16 + [0x06, 0x00, 0x06, 0x10, 0x02, 0x00, 0x0C, 0x00])
for index in range(7):
    write("fuzz_meterreport", "rate-%d" % index, bytes([index]) + sample)
write("fuzz_meterreport", "full-scale", bytes([6]) + report([0x09] + [0xFF] * 63))

# Power supply status answers: readings, presets M1-M6, switches, mode.
def status(volts, amps, presets, output, mode, ovp, ocp, slot, tripped):
    data = bytearray(64)
    data[0] = 8
    struct.pack_into(">HH", data, 4, volts, amps)
    for k, (v, a) in enumerate(presets):
        struct.pack_into(">H", data, 8 + 2 * k, v)
        struct.pack_into(">H", data, 20 + 2 * k, a)
    data[48:54] = bytes([output, mode, ovp, ocp, slot, tripped])
    return bytes(data)

presets = [(500, 1000), (330, 500), (1200, 2000), (1500, 1000), (2400, 3000), (3000, 5000)]
write("fuzz_powerreport", "cv", status(1200, 600, presets, 1, 0, 1, 1, 3, 0))
write("fuzz_powerreport", "ocp-tripped", status(0, 0, presets, 0, 2, 0, 1, 1, 1))
write("fuzz_powerreport", "full-scale", report([0x09] + [0xFF] * 63))
write("fuzz_powertakeover", "slot-3-on", status(1200, 600, presets, 1, 0, 1, 1, 3, 0) * 2)
write("fuzz_powertakeover", "no-slot", status(0, 0, presets, 0, 4, 0, 0, 0, 0))
write("fuzz_powertakeover", "ovp-trip", status(1200, 600, presets, 1, 0, 1, 0, 2, 0) + status(3200, 100, presets, 0, 3, 1, 0, 2, 1))

# Boot line answers: the read's result, then the report.
write("fuzz_bootlinereport", "reading", bytes([64]) + report([0x08, 0, 0, 0, 0x13, 0x88, 0x01, 0xF4, 0x04, 0xD2, 0x8C, 0xA0]))
write("fuzz_bootlinereport", "failed-read", bytes([0xFF]) + report([0x08]))
write("fuzz_bootlinereport", "wrong-code", bytes([64]) + report([0x09]))

# Recording files: the first byte picks the instrument expected (0 none,
# 1 meter, 2 power supply, 3 boot line), the rest is the file.
meter_csv = (b"time_utc,elapsed_s,voltage_V,current_A,power_W,dplus_V,dminus_V,cc1_V,cc2_V,"
             b"charge_mAh,energy_mWh,event\n"
             b"2024-05-01T12:00:00.010Z,0.010,5.00125,0.48000,2.40060,0.6000,0.6000,1.6000,0.0000,0.0000,0.0000,\n"
             b"2024-05-01T12:00:00.020Z,0.020,5.00000,0.50000,2.50000,0.6000,0.6000,1.6000,0.0000,0.0014,0.0069,\n"
             b"2024-05-01T12:00:01.500Z,1.500,,,,,,,,,,disconnected\n"
             b"2024-05-01T12:00:03.000Z,3.000,5.00000,0.50000,2.50000,0.6000,0.6000,1.6000,0.0000,0.0014,0.0069,\n")
power_csv = (b"time_utc,elapsed_s,voltage_V,current_A,power_W,set_voltage_V,set_current_A,preset,output,mode,event\r\n"
             b"2024-05-01T12:00:00.048Z,0.048,12.00,0.600,7.20000,12.00,1.000,4,1,CV,\r\n"
             b"2024-05-01T12:00:00.096Z,0.096,0.00,0.000,0.00000,,,0,0,CV,\r\n")
boot_csv = (b"\xef\xbb\xbftime_utc,elapsed_s,voltage_V,current_A,peak_current_A,device_time_s,trigger,event\n"
            b"2024-05-01T12:00:00.002Z,0.002,4.200,0.350,0.900,12.3,1,\n"
            b"2024-05-01T12:00:00.004Z,0.004,4.200,0.351,0.900,12.3,1,")
write("fuzz_recordingfile", "meter", b"\x01" + meter_csv)
write("fuzz_recordingfile", "meter-any", b"\x00" + meter_csv)
write("fuzz_recordingfile", "power-crlf", b"\x02" + power_csv)
write("fuzz_recordingfile", "bootline-bom-no-last-line-end", b"\x03" + boot_csv)
write("fuzz_recordingfile", "another-instrument", b"\x01" + power_csv)
write("fuzz_recordingfile", "time-goes-back", b"\x00" + meter_csv.replace(b",3.000,", b",0.001,"))
write("fuzz_recordingfile", "cut-short", b"\x00" + meter_csv[:-40])
write("fuzz_recordingfile", "not-a-recording", b"\x00vst,5.0,vend,cst,1.0,cend,pst,5.0,pend,")

# Boot references: what the program writes, a newer file, and damaged ones.
reference = (b'{\n  "format": "quorvaline-boot-reference",\n  "version": 1,\n'
             b'  "name": "demo phone",\n  "model": "QV-1",\n  "note": "",\n'
             b'  "created": "2024-05-01T10:00:00Z",\n  "captures": 5,\n'
             b'  "tolerance": {"abs_mA": 30, "rel_pct": 10, "time_ms": 40},\n'
             b'  "phases": [\n    {"name": "PMU", "from_s": 0, "to_s": 0.02},\n'
             b'    {"name": "kernel", "from_s": 0.02, "to_s": 0.05, "tolerance": {"abs_mA": 60}}\n  ],\n'
             b'  "bin_ms": 10,\n  "envelope_mA": [\n    [44, 58],\n    [47, 56],\n'
             b'    [180, 230],\n    [400, 610],\n    [210, 240]\n  ]\n}\n')
write("fuzz_bootreference", "written", reference)
write("fuzz_bootreference", "newer", reference.replace(b'"version": 1', b'"version": 4, "bench": {"id": [1, 2]}')
      .replace(b'"abs_mA": 60}', b'"abs_mA": 60, "slope": 1}, "colour": "red"'))
write("fuzz_bootreference", "minimal", b'{"format":"quorvaline-boot-reference","version":1,"bin_ms":0.1,"envelope_mA":[[0,0]]}')
write("fuzz_bootreference", "foreign", b'{"format":"x","version":1}')
write("fuzz_bootreference", "low-above-high", reference.replace(b"[47, 56]", b"[57, 56]"))
write("fuzz_bootreference", "cut-short", reference[:150])

# Boot captures: the first byte is the size of the stream's pieces, then a
# boot line recording as the program writes it, with a press and a gap.
recording = (b"time_utc,elapsed_s,voltage_V,current_A,peak_current_A,device_time_s,trigger,event\n"
             b"2024-05-01T10:00:00.000Z,0.000,4.000,0.000,0.000,0.0,0,\n"
             b"2024-05-01T10:00:00.002Z,0.002,3.994,0.050,0.050,0.0,1,\n"
             b"2024-05-01T10:00:00.004Z,0.004,3.976,0.200,0.200,0.0,1,\n"
             b"2024-05-01T10:00:00.006Z,0.006,,,,,,disconnected\n"
             b"2024-05-01T10:00:00.008Z,0.008,3.976,0.210,0.210,0.0,0,\n")
write("fuzz_bootcapture", "recording", b"\x03" + recording)
write("fuzz_bootcapture", "threshold", b"\x07time_utc,elapsed_s,current_A\nx,0,0\nx,0.01,0.3\nx,0.02,0.31\n")
write("fuzz_bootcapture", "bom-crlf", b"\x01\xef\xbb\xbfelapsed_s,current_A,trigger\r\n0,0.1,1\r\n0.002,0.2,1\r\n")
write("fuzz_bootcapture", "no-header", b"\x05" + b"1,2,3\n" * 4)
write("fuzz_bootcapture", "long-line", b"\x0b" + b"elapsed_s,current_A\n" + b"9" * 5000 + b"\n0,0.1\n0.1,0.2\n")
