"""The benchmark scripts' tables: printed aligned, and as Markdown to a file."""


def print_table(head, rows, markdown=""):
    table = [head] + rows
    widths = [max(len(r[i]) for r in table) for i in range(len(head))]

    def line(r):
        return "| " + " | ".join(c.ljust(widths[i]) for i, c in enumerate(r)) + " |"

    out = [line(head), "|" + "|".join("-" * (wd + 2) for wd in widths) + "|"] + [line(r) for r in rows]
    print("\n".join(out))
    if markdown:
        with open(markdown, "w") as f:
            f.write("\n".join(out) + "\n")
