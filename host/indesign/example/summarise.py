#!/usr/bin/env python3
"""What the example did, in a few lines, from the host's transcript, the PDF itself, the package
folder and the jobs the test peer took; exit 0 only when the PDF holds the chosen pages and the
receiving process took the jobs."""
import argparse
import json
import os
import subprocess
import sys
import time

# What each example chooses, and so what its PDF must hold: the text on each of its pages, in order.
EXPECTED_PAGES = {
    "document": ["Brochure – page 2", "Brochure – page 3"],
    "book": ["Chapter 1\nBoats", "Chapter 1\nSails", "Chapter 2\nRopes", "Chapter 2\nPrices"],
}
# A job for the PDF and one for the package.
EXPECTED_JOBS = 2
# The peer writes a job just after it took it from its queue; the sender has returned by then.
JOB_WAIT_SECONDS = 10


def read_transcript(path):
    lines = []
    try:
        with open(path, encoding="utf-8") as transcript:
            for text in transcript:
                text = text.strip()
                if text:
                    lines.append(json.loads(text))
    except (OSError, ValueError) as error:
        print(f"example: the transcript {path} cannot be read: {error}", file=sys.stderr)
    return lines


def find(lines, kind, what=None):
    return [line for line in lines if line.get("kind") == kind and (what is None or line.get("what") == what)]


def run(arguments):
    try:
        done = subprocess.run(arguments, capture_output=True, text=True, check=False)
    except OSError as error:
        return None, str(error)
    if done.returncode != 0:
        return None, done.stderr.strip()
    return done.stdout, ""


def pdf_pages(pdf):
    """The page count as the PDF tells it, read by poppler's pdfinfo; None when it cannot be read."""
    info, error = run(["pdfinfo", pdf])
    if info is None:
        print(f"example: pdfinfo cannot read {pdf}: {error}", file=sys.stderr)
        return None
    for line in info.splitlines():
        if line.startswith("Pages:"):
            return int(line.split(":", 1)[1])
    return None


def page_text(pdf, page):
    text, _ = run(["pdftotext", "-f", str(page), "-l", str(page), pdf, "-"])
    return text or ""


def read_jobs(path, wanted, own_peer):
    """The job texts the test peer wrote, waiting a little for the last of them."""
    deadline = time.monotonic() + (JOB_WAIT_SECONDS if own_peer else 0)
    while True:
        try:
            with open(path, encoding="utf-8", errors="replace") as jobs_file:
                text = jobs_file.read()
        except OSError:
            text = ""
        jobs = [job.strip() for job in text.split("#ENDJOB") if job.strip()]
        if len(jobs) >= wanted or time.monotonic() >= deadline:
            return jobs, text.count("#BADJOB")
        time.sleep(0.1)


def job_path(job):
    """The value of "JobPath" in a job's dictionary text."""
    for line in job.splitlines():
        if "JobPath" in line:
            parts = line.split('"')
            values = [part for part in parts[1::2] if part != "JobPath"]
            return values[0] if values else line.strip()
    return job.splitlines()[0] if job else ""


def listing(folder):
    """The folder's files, then each sub-folder with its files in brackets."""
    try:
        names = sorted(os.listdir(folder))
    except OSError:
        return []
    files = [name for name in names if not os.path.isdir(os.path.join(folder, name))]
    folders = [f"{name}/ ({', '.join(listing(os.path.join(folder, name))) or 'empty'})"
               for name in names if os.path.isdir(os.path.join(folder, name))]
    return files + folders


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--example", choices=sorted(EXPECTED_PAGES), required=True)
    parser.add_argument("--transcript", required=True)
    parser.add_argument("--jobs", required=True)
    parser.add_argument("--own-peer", type=int, choices=[0, 1], required=True)
    arguments = parser.parse_args()

    lines = read_transcript(arguments.transcript)
    faults = []

    chosen = [line for line in find(lines, "menu", "choose") if "action" in line]
    for line in chosen:
        print(f"menu: {line.get('path')} > \"{line.get('item')}\"")
    if not chosen:
        faults.append("no menu item was chosen")

    # The Sendrixors the dialog offered: the example's one, once, however often it was set up.
    dialogs = [line for line in find(lines, "window", "state") if line.get("title") == "Export to Sendrixor"]
    if dialogs:
        lists = [widget.get("items", []) for widget in dialogs[0].get("widgets", [])
                 if "items" in widget and widget.get("visible")]
        offered = lists[0] if lists else []
        print("Sendrixors listed: " + (", ".join(f'"{item}"' for item in offered) or "none"))
        if offered.count("Proof A") != 1:
            faults.append(f"the dialog lists \"Proof A\" {offered.count('Proof A')} times, not once")
    else:
        faults.append("the export dialog never showed")

    choices = []
    for line in find(lines, "robot"):
        what = line.get("what")
        if what == "choose":
            choices.append(f"{line.get('control')} \"{line.get('item')}\"")
        elif what == "click":
            choices.append(f"\"{line.get('control')}\"")
        elif what == "type":
            choices.append(f"{line.get('control')} typed \"{line.get('text', line.get('typed'))}\"")
        elif what == "tick":
            choices.append(f"\"{line.get('control')}\" {'ticked' if line.get('checked') else 'unticked'}")
        elif what == "press":
            choices.append(f"pressed {line.get('control')}")
        elif what in ("unexpected", "timeout", "missing", "disabled", "refused", "closed"):
            faults.append(f"the dialog: {line.get('detail') or line.get('reason') or what}")
    if choices:
        print("dialog: " + ", ".join(choices))

    pdfs = find(lines, "file", "pdf")
    expected = EXPECTED_PAGES[arguments.example]
    if not pdfs:
        faults.append("no PDF was written")
    for line in pdfs:
        pdf = line.get("path", "")
        pages = pdf_pages(pdf) if os.path.isfile(pdf) else None
        print(f"PDF: {pdf}, {pages if pages is not None else 'no'} pages")
        if pages != len(expected):
            faults.append(f"the PDF {pdf} has {pages} pages, not the {len(expected)} chosen")
            continue
        for number, text in enumerate(expected, start=1):
            if text not in page_text(pdf, number):
                faults.append(f"page {number} of the PDF does not show \"{text}\"")

    packages = find(lines, "file", "package")
    if not packages:
        faults.append("no package was made")
    for line in packages:
        folder = line.get("path", "")
        content = listing(folder) if os.path.isdir(folder) else []
        print(f"package: {folder}")
        print("  " + ", ".join(content) if content else "  (nothing)")
        if not content:
            faults.append(f"the package folder {folder} is empty or missing")

    if arguments.own_peer:
        jobs, bad = read_jobs(arguments.jobs, EXPECTED_JOBS, True)
        for job in jobs:
            print(f"job taken by RozorazIzivozada: {job_path(job)}")
        if bad:
            faults.append(f"the peer took {bad} job(s) that were no dictionary")
        if len(jobs) != EXPECTED_JOBS:
            faults.append(f"the peer took {len(jobs)} job(s), not {EXPECTED_JOBS}")
    else:
        # A process of someone else's took the jobs: the plug-in tells the user when none did, and
        # the robot would have met that message box.
        messages = [line for line in find(lines, "window", "state") if line.get("class") == "QMessageBox"]
        print("jobs: taken by the RozorazIzivozada process that was listening" if not messages else
              "jobs: the plug-in reported a failure")

    for fault in faults:
        print(f"example: {fault}", file=sys.stderr)
    return 1 if faults else 0


if __name__ == "__main__":
    sys.exit(main())
