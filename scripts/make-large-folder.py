#!/usr/bin/env python3
"""Writes a data folder at the program's limits, for measuring speed and memory:
taro (the auto-start user) with a 2026 diary of 32766 cards, 32766 stores and
32766 models in each of the five catalogues.  Usage: make-large-folder.py FOLDER"""
import datetime
import os
import random
import sys

folder = sys.argv[1]
os.makedirs(folder, exist_ok=True)
random.seed(1)
weekdays = '日月火水木金土'
full = str.maketrans('0123456789', '０１２３４５６７８９')


def sj(text):
    return text.encode('cp932')


def pad(b, n):
    return (b + b' ' * n)[:n]


def write(name, data):
    with open(os.path.join(folder, name), 'wb') as f:
        f.write(data)


write('namae.dat', sj('自') + pad(b'taro', 18) + sj('　') + pad(b'hanako', 18))
stores = ['店%05d' % i for i in range(32766)]
cards = []
first = datetime.date(2026, 1, 1)
for i in range(32766):
    d = first + datetime.timedelta(days=i * 365 // 32766)
    date = sj('%04d%02d%02d' % (d.year, d.month, d.day) + weekdays[d.isoweekday() % 7])
    start = ('%2d%02d' % (random.randint(9, 15), random.choice([0, 15, 30, 45]))).encode()
    end = ('%2d%02d' % (random.randint(16, 22), random.choice([0, 15, 30, 45]))).encode()
    store = pad(sj(stores[i % 200].translate(full)), 20)
    category = str(random.randint(1, 5)).encode()
    # Every card's model is in the catalogues (機種0000 …), so the year list lists them all.
    model = pad(sj(('機種%04d' % (i % 500)).translate(full)), 30)
    amounts = ('%04d%04d' % (random.randint(0, 500), random.randint(0, 900))).encode()
    day = random.choice([b'111', b'222', b'333', b'444'])
    impression = pad(sj('今日は%d回目。' % i), 160)
    cards.append(date + start + end + store + category + model + amounts + day + impression)
write('taro.2026.dat', b''.join(cards))
write('patishop.dat', b''.join(pad(sj(s.translate(full)), 20) + b'1111114000' + b' ' * 50 for s in stores))
for name in ['hirapati.dat', 'DEGIpati.dat', 'KENpati.dat', 'SLOTpati.dat', 'CRpati.dat']:
    write(name, b''.join(pad(sj(('機種%04d' % i).translate(full)), 30) + b' ' * 130 for i in range(32766)))
