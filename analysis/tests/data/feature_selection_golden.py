#!/usr/bin/python3
"""Reference tables of the six feature-ranking criteria, computed here from
their formulas with plain Python floats and numpy's float32, written as the
C++ data file feature_selection_golden.inc. CI reads the .inc; nobody needs
Python to run the tests.

    /usr/bin/python3 analysis/tests/data/feature_selection_golden.py > analysis/tests/data/feature_selection_golden.inc

Each case is a few report documents: per used column a class name ("" for an
unnamed column, which stands for its number), an optional excluded column,
and per feature one value per used column. Every feature is checked.
"""
import math
import random

import numpy as np

TABLE = 10


def lower(s):
    return "".join(chr(ord(c) + 32) if "A" <= c <= "Z" else c for c in s)


# ----------------------------------------------------------------- sample set
def sample_set(case):
    """Features sorted case-insensitively; classes in first-appearance order,
    then sorted case-insensitively (stable); samples grouped by class."""
    met = []
    columns = []  # (document, column index, class key)
    for d, doc in enumerate(case["documents"]):
        for k, name in enumerate(doc["classes"]):
            if k in doc.get("excluded", ()):
                continue
            key = name if name != "" else str(k + 1)
            found = next((m for m in met if lower(m) == lower(key)), None)
            if found is None:
                met.append(key)
                found = key
            columns.append((d, k, found))
    classes = sorted(met, key=lower)  # sorted() is stable
    samples = []
    for c, cls in enumerate(classes):
        for d, k, key in columns:
            if key == cls:
                samples.append((d, k, c))
    names = sorted(case["documents"][0]["features"].keys(), key=lower)
    values = [[case["documents"][d]["features"][f][k] for d, k, _ in samples] for f in names]
    labels = [c for _, _, c in samples]
    return names, classes, labels, values


def class_lists(labels, x, classes):
    return [[x[s] for s in range(len(x)) if labels[s] == c] for c in range(len(classes))]


# ---------------------------------------------------------------- criteria
def fisher(labels, x, classes):
    n = len(x)
    groups = class_lists(labels, x, classes)
    P = [len(g) / n for g in groups]
    means, variances = [], []
    for g in groups:
        s = 0.0
        for v in g:
            s += v
        mu = s / len(g)
        q = 0.0
        for v in g:
            q += (v - mu) * (v - mu)
        means.append(mu)
        variances.append(q / len(g))
    between = 0.0
    for c in range(len(groups)):
        for d in range(c + 1, len(groups)):
            gap = means[c] - means[d]
            between += P[c] * P[d] * gap * gap
    within = 0.0
    for c in range(len(groups)):
        within += P[c] * variances[c]
    psq = 0.0
    for p in P:
        psq += p * p
    if between == 0.0:
        return 0.0
    if within == 0.0:
        return math.inf
    return 2.0 / (1.0 - psq) * between / within


def rank_fisher(values, labels, classes):
    F = [fisher(labels, x, classes) for x in values]
    picked = set()
    table = []
    for _ in range(min(len(F), TABLE)):
        best = -1
        for f in range(len(F)):
            if f in picked or not F[f] >= 0.0:
                continue
            if best < 0 or F[f] >= F[best]:  # the last among equals
                best = f
        if best < 0:
            break
        picked.add(best)
        table.append(((best,), F[best]))
    return table


def poe(labels, x, classes):
    n = len(x)
    lo = [10000000.0] * len(classes)
    hi = [-10000000.0] * len(classes)
    for s in range(n):
        c = labels[s]
        lo[c] = min(lo[c], x[s])
        hi[c] = max(hi[c], x[s])
    overlapping = 0
    for s in range(n):
        if any(c != labels[s] and lo[c] <= x[s] <= hi[c] for c in range(len(classes))):
            overlapping += 1
    return overlapping / n


def covariance(labels, x, y, classes):
    n = len(x)
    total = 0.0
    for c in range(len(classes)):
        idx = [s for s in range(n) if labels[s] == c]
        sx = sy = sxy = 0.0
        for s in idx:
            sx += x[s]
            sy += y[s]
            sxy += x[s] * y[s]
        m = len(idx)
        mx, my = sx / m, sy / m
        total += sxy - m * mx * my
    return total / (n - len(classes))


def correlation(labels, x, y, classes):
    cov = covariance(labels, x, y, classes)
    root = math.sqrt(covariance(labels, x, x, classes) * covariance(labels, y, y, classes))
    return cov if root == 0.0 else cov / root


def rank_poe_acc(values, labels, classes):
    P = [poe(labels, x, classes) for x in values]
    picked = []
    table = []
    for j in range(min(len(values), TABLE)):
        best, best_value = -1, 0.0
        for g in range(len(values)):
            if g in picked:
                continue
            if j == 0:
                value = P[g]
            else:
                acc = 0.0
                for s in picked:
                    acc += abs(correlation(labels, values[s], values[g], classes))
                value = (P[g] + (1.0 / j) * acc) / 2.0
            if best < 0 or value < best_value:  # the first among equals
                best, best_value = g, value
        picked.append(best)
        P[best] = 10.0
        table.append(((best,), best_value))
    # Exchange sort by ascending value; equal values keep their order.
    for a in range(len(table)):
        for b in range(len(table) - 1 - a):
            if table[b][1] > table[b + 1][1]:
                table[b], table[b + 1] = table[b + 1], table[b]
    return table


def mutual_information(labels, x, classes):
    n = len(x)
    s = 0.0
    for v in x:
        s += v
    m = s / n
    q = 0.0
    for v in x:
        q += (v - m) * (v - m)
    sigma = math.sqrt(q / n)
    low, high = m - 2.0 * sigma, m + 2.0 * sigma
    B = int(math.floor(math.log2(n))) + 1
    w = (high - low) / B

    def bin_of(v):
        if w == 0.0:
            return 0  # all samples equal: one bin, MI = 0
        if v < low:
            return 0
        if v >= high:
            return B - 1
        return min(int(math.floor((v - low) / w)), B - 1)

    bins = [bin_of(v) for v in x]
    mi = 0.0
    for b in range(B):
        for k in range(len(classes)):
            pb = sum(1 for t in bins if t == b) / n
            pk = sum(1 for t in labels if t == k) / n
            pkb = sum(1 for t in range(n) if bins[t] == b and labels[t] == k) / n
            if pb == 0.0 or pk == 0.0 or pkb == 0.0:
                continue
            mi += pkb * math.log2(pkb / (pb * pk))
    return mi


def rank_mi(values, labels, classes):
    MI = [mutual_information(labels, x, classes) for x in values]
    table = []
    for _ in range(min(len(MI), TABLE)):
        best = -1
        for f in range(len(MI)):
            if MI[f] == -1.0:
                continue
            if best < 0 or MI[f] > MI[best]:  # strictly larger: the first among equals
                best = f
        table.append(((best,), MI[best]))
        MI[best] = -1.0
    return table


def knn_errors(values, labels, features):
    """Leave-one-out 1-NN error count: distances in float32, the nearest is
    the first other sample with the smallest distance."""
    n = len(labels)
    if len(features) == 3:
        d = np.zeros((n, n), dtype=np.float32)
        for k, f in enumerate(features):
            x = np.array(values[f], dtype=np.float64).astype(np.float32)
            diff = x[:, None] - x[None, :]
            sq = diff * diff
            d = sq if k == 0 else d + sq
    else:
        acc = np.zeros((n, n), dtype=np.float64)
        for k, f in enumerate(features):
            x = np.array(values[f], dtype=np.float64)
            diff = x[:, None] - x[None, :]
            acc = diff * diff if k == 0 else acc + diff * diff
        d = acc.astype(np.float32)
    errors = 0
    for i in range(n):
        best, best_d = -1, None
        for j in range(n):
            if j == i:
                continue
            if best < 0 or d[i, j] < best_d:
                best, best_d = j, d[i, j]
        if labels[best] != labels[i]:
            errors += 1
    return errors


def rank_knn(values, labels, size):
    F = len(values)
    keep = min(F, TABLE)
    table = []

    def offer(s, e):
        at = next((t for t in range(len(table)) if table[t][1] > e), len(table))
        if at == len(table) and len(table) >= keep:
            return
        table.insert(at, (s, e))
        del table[keep:]

    if size == 1:
        sets = [(f,) for f in range(F)]
    elif size == 2:
        sets = [(f, g) for f in range(F) for g in range(f + 1, F)]
    else:
        sets = [(f, g, h) for f in range(F) for g in range(f + 1, F) for h in range(g + 1, F)]
    for s in sets:
        offer(s, knn_errors(values, labels, s))
    return table


# ----------------------------------------------------------------- texts
HEADS = {
    1: "Feature name:\tF:\r\n---------------------------\r\n",
    2: "Feature name:\tP:\r\n---------------------------\r\n",
    3: "Feature name:\tMI:\r\n---------------------------\r\n",
    4: "Feature name:\tk-NN:\r\n---------------------------\r\n",
    5: "Feature1 name:\tFeature2 name:\tk-NN:\r\n---------------------------\r\n",
    6: "Feature1 name:\tFeature2 name:\tFeature3 name:\tk-NN:\r\n---------------------------\r\n",
}


def text_of(mode, table, names):
    out = HEADS[mode]
    for sets, value in table:
        if mode <= 3:
            out += "%s\t%.4f\r\n" % (names[sets[0]], value)
        else:
            out += "\t".join(names[f] for f in reversed(sets)) + "\t%i\r\n" % value
    return out


def criteria_texts(case):
    names, classes, labels, values = sample_set(case)
    return [
        text_of(1, rank_fisher(values, labels, classes), names),
        text_of(2, rank_poe_acc(values, labels, classes), names),
        text_of(3, rank_mi(values, labels, classes), names),
        text_of(4, rank_knn(values, labels, 1), names),
        text_of(5, rank_knn(values, labels, 2), names),
        text_of(6, rank_knn(values, labels, 3), names),
    ]


# ----------------------------------------------------------------- cases
def cases():
    out = []
    # The small oracle: one feature, A = {1, 3}, B = {5, 7}.
    out.append(dict(name="oracle", documents=[dict(classes=["A", "A", "B", "B"],
                                                   features={"x": [1.0, 3.0, 5.0, 7.0]})]))
    # Three features: "a" and "A" are one class, an unnamed column stands for
    # its number; a zero-variance feature with distinct means (F = inf), one
    # with equal class means (F = 0), one ordinary.
    out.append(dict(name="three_features", documents=[
        dict(classes=["a", "A", "b", "B", "", ""],
             features={"Zero": [2.0, 2.0, 5.0, 5.0, 9.0, 7.0],
                       "equal": [1.0, 3.0, 3.0, 1.0, 2.0, 2.0],
                       "Mid": [1.0, 2.0, 2.5, 4.0, 6.0, 5.5]}),
        # Column 3 is excluded; column 4 is named "6" and joins the unnamed
        # column 6 of the first document; column 6 named "5" joins column 5.
        dict(classes=["A", "b", "zz", "6", "", "5"],
             excluded=[2],
             features={"Zero": [2.0, 5.0, 100.0, 7.0, 9.0, 9.0],
                       "equal": [2.0, 2.0, 50.0, 2.0, 1.0, 3.0],
                       "Mid": [1.5, 3.0, 0.0, 8.0, 0.5, 5.0]}),
    ]))
    # Ties everywhere: integer values from a small set.
    rng = random.Random(19)
    names = ["t%d" % i for i in range(8)] + ["T8", "tie", "Tie2", "b", "B_"]
    feats = {}
    labels = ["p", "q", "r"] * 4
    for nm in names:
        feats[nm] = [float(rng.randint(0, 3)) for _ in labels]
    feats["tie"] = list(feats["t1"])
    feats["Tie2"] = list(feats["t1"])
    out.append(dict(name="ties", documents=[dict(classes=labels, features=feats)]))
    # Two documents, four classes, twelve features of real numbers; one
    # feature far from the origin (the start of the POE ranges) and one with
    # large values whose squares still fit in float.
    rng = random.Random(2026)
    docs = []
    for d in range(2):
        classes = ["healthy", "lesion", "Healthy", "fat", "muscle", "LESION", "fat", "muscle",
                   "healthy", "fat", "muscle", "lesion"]
        feats = {}
        for f in range(10):
            base = {"healthy": 0.0, "lesion": 1.0, "fat": 2.0, "muscle": 3.0}
            feats["Feature%02d" % f] = [round(rng.gauss(base[lower(c)] * (f % 4) * 0.7, 1.0), 6)
                                        for c in classes]
        feats["Far"] = [2.0e7 + rng.random() for _ in classes]
        feats["big"] = [rng.uniform(-1.0e15, 1.0e15) for _ in classes]
        docs.append(dict(classes=classes, features=feats))
    out.append(dict(name="two_documents", documents=docs))
    return out


def cpp_string(s):
    return '"' + s.replace("\\", "\\\\").replace("\t", "\\t").replace("\r", "\\r").replace(
        "\n", "\\n").replace('"', '\\"') + '"'


def main():
    print("// Generated by feature_selection_golden.py (Debian numpy); do not edit.")
    print("// Per case: documents (class names of the used columns, excluded columns,")
    print("// features with one value per column) and the result text of criteria 1..6.")
    print("const GoldenSelectionCase kGoldenSelectionCases[] = {")
    for case in cases():
        print("    {%s," % cpp_string(case["name"]))
        print("     {")
        for doc in case["documents"]:
            print("         {{%s}," % ", ".join(cpp_string(c) for c in doc["classes"]))
            print("          {%s}," % ", ".join(str(k) for k in doc.get("excluded", [])))
            print("          {")
            for nm, vals in doc["features"].items():
                print("              {%s, {%s}}," % (cpp_string(nm), ", ".join(repr(float(v)) for v in vals)))
            print("          }},")
        print("     },")
        print("     {")
        for t in criteria_texts(case):
            print("         %s," % cpp_string(t))
        print("     }},")
    print("};")


if __name__ == "__main__":
    main()
