"""Language_xx.csv: one interface text per CR LF line, in id order."""
import os

from languages import LANGUAGES, language_file_bytes


def generate(out_dir):
    for code, _ in LANGUAGES:
        with open(os.path.join(out_dir, f"Language_{code}.csv"), "wb") as f:
            f.write(language_file_bytes(code))
