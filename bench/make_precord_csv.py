#!/usr/bin/env python3
"""Writes a pRecord export of ROWS visits spread over YEARS years ending last year, for the
import benchmark: 40 halls, 150 models, amounts in hundreds of yen, hours played and
machine numbers on most rows, a memo on a third of them (some quoted, with a comma).
Usage: make_precord_csv.py FILE [ROWS] [YEARS] [ENCODING]   (defaults 30000 8 utf-8)"""
import datetime
import random
import sys

path = sys.argv[1]
rows = int(sys.argv[2]) if len(sys.argv) > 2 else 30000
years = int(sys.argv[3]) if len(sys.argv) > 3 else 8
encoding = sys.argv[4] if len(sys.argv) > 4 else 'utf-8'

last = datetime.date.today().year - 1
first = datetime.date(last - years + 1, 1, 1)
span = (datetime.date(last, 12, 31) - first).days + 1
rnd = random.Random(20261209)
halls = ['ホール%d号店' % i for i in range(40)]
models = ['機種%d' % i for i in range(150)]
head = '日付,店舗コード,店舗,メーカー,機種コード,機種,台番号,投資額,回収額,収支,メモ,稼働時間,時給'
out = [head]
for i in range(rows):
    d = first + datetime.timedelta(days=i * span // rows)
    invest = rnd.randrange(0, 800) * 100
    cash = rnd.randrange(0, 1200) * 100 if rnd.random() < 0.45 else 0
    hours = rnd.randrange(2, 24) / 2
    memo = ''
    if i % 3 == 0:
        memo = '"朝から並んだ、よく回った"' if i % 9 == 0 else 'よかった'
    machine = str(rnd.randrange(1, 999)) if i % 4 else ''
    out.append(','.join([d.strftime('%Y/%m/%d'), str(i % 40), rnd.choice(halls), 'メーカー',
                         str(i % 150), rnd.choice(models), machine, str(invest), str(cash),
                         str(cash - invest), memo, '%.2f' % hours, str(int((cash - invest) / hours))]))
with open(path, 'w', encoding=encoding, newline='') as f:
    f.write('\r\n'.join(out) + '\r\n')
