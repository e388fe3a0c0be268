"""harinfo view end to end in headless Chromium: the listing, a header's
table against `harinfo csv` with rows and columns swapped and a dimension
totalled and fixed, the marks of a comparison with a renamed copy against
`harinfo diff`, and the requests that must get 403.

Usage: view_browser_test.py HARINFO MARDEX SAMPLE WORKDIR [SCREENSHOT]
Exits 77 (skipped) when Chromium, chromedriver or Selenium is missing.
"""
import atexit
import contextlib
import csv
import io
import json
import math
import os
import shutil
import socket
import struct
import subprocess
import sys
import urllib.error
import urllib.request

SKIP = 77

try:
    from selenium import webdriver
    from selenium.webdriver.chrome.service import Service
    from selenium.webdriver.common.by import By
    from selenium.common.exceptions import StaleElementReferenceException, TimeoutException
    from selenium.webdriver.support.ui import Select, WebDriverWait
except ImportError:
    print("selenium missing: skipped")
    sys.exit(SKIP)

CHROMIUM = shutil.which("chromium")
DRIVER = shutil.which("chromedriver")
if not CHROMIUM or not DRIVER:
    print("chromium or chromedriver missing: skipped")
    sys.exit(SKIP)

HARINFO, MARDEX, SAMPLE, WORK = sys.argv[1:5]
SCREENSHOT = sys.argv[5] if len(sys.argv) > 5 else None
DECIMALS = 4
# Seconds a page may take to show what is asked, on a loaded machine.
WAIT = 30
failures = []


def check(ok, what):
    if not ok:
        failures.append(what)
        print("FAIL:", what)


@contextlib.contextmanager
def served(*files):
    """harinfo view of `files` for the block, which gets the page's address."""
    proc = subprocess.Popen([HARINFO, "view", "--no-browser", *files],
                            stdout=subprocess.PIPE, text=True)
    try:
        line = proc.stdout.readline()
        url = line.split()[-1]
        assert url.startswith("http://127.0.0.1:"), line
        yield url
    finally:
        proc.terminate()
        proc.wait(10)


def csv_cells(header):
    """The cells of `harinfo csv` as {labels tuple: value}."""
    out = subprocess.run([HARINFO, "csv", SAMPLE, header], check=True,
                         capture_output=True, text=True).stdout
    rows = list(csv.reader(io.StringIO(out)))[1:]
    return {tuple(r[:-1]): float(r[-1]) for r in rows}


def expected(cells, roles, elements):
    """rows x cols sums of the cells that match the fixed elements."""
    rdim = roles.index("r")
    cdim = roles.index("c")
    table = {}
    for labels, v in cells.items():
        if any(role not in "rct" and labels[k] != elements[k][int(role) - 1]
               for k, role in enumerate(roles)):
            continue
        key = (labels[rdim], labels[cdim])
        table[key] = table.get(key, 0.0) + v
    return table


def grid(driver):
    """The shown table: column names, then {(row, col): number text}; read
    again when the page redraws it meanwhile."""
    for _ in range(20):
        try:
            return read_grid(driver)
        except StaleElementReferenceException:
            pass
    return read_grid(driver)


def read_grid(driver):
    heads = [th.text for th in driver.find_elements(By.CSS_SELECTOR, "#grid thead th")]
    cols = heads[1:-1]
    cells = {}
    for tr in driver.find_elements(By.CSS_SELECTOR, "#grid tbody tr"):
        name = tr.find_element(By.TAG_NAME, "th").text
        if name == "Total":
            continue
        for col, td in zip(cols, tr.find_elements(By.TAG_NAME, "td")):
            cells[(name, col)] = td.text
    return cols, cells


def matches(shown, table, what):
    check(len(shown) == len(table), f"{what}: {len(shown)} cells shown, {len(table)} expected")
    for key, v in table.items():
        text = shown.get(key)
        ok = text is not None and abs(float(text) - v) <= 0.6 * 10 ** -DECIMALS * max(1, abs(v))
        check(ok, f"{what}: cell {key} shows {text}, csv gives {v}")


def wait_grid(driver, first_col):
    WebDriverWait(driver, WAIT, ignored_exceptions=[StaleElementReferenceException]).until(
        lambda d: [th.text for th in d.find_elements(By.CSS_SELECTOR, "#grid thead th")][1:2]
        == [first_col])


def status(url, host=None):
    req = urllib.request.Request(url)
    if host:
        req.add_header("Host", host)
    try:
        with urllib.request.urlopen(req) as res:
            return res.status, res.read()
    except urllib.error.HTTPError as e:
        return e.code, e.read()


def with_values(path, header, changes, sparse=False):
    """A copy of the sample at `path` with cells of `header` (position in
    the order of `harinfo csv`, among the non-zero cells of a sparse header:
    value) stored anew, found by the bytes of the header's whole run of
    values."""
    out = subprocess.run([HARINFO, "csv", SAMPLE, header], check=True,
                         capture_output=True, text=True).stdout
    values = [float(r[-1]) for r in list(csv.reader(io.StringIO(out)))[1:]]
    if sparse:
        values = [v for v in values if v != 0]
    data = bytearray(open(SAMPLE, "rb").read())
    for order in (">", "<"):
        run = struct.pack(f"{order}{len(values)}f", *values)
        at = data.find(run)
        if at >= 0:
            break
    assert at >= 0 and data.find(run, at + 1) < 0, "the run of values is not found once"
    for k, v in changes.items():
        data[at + 4 * k:at + 4 * k + 4] = struct.pack(f"{order}f", v)
    with open(path, "wb") as f:
        f.write(data)


def outlined(driver):
    """The labels (row, column, fixed element of the third dimension) of the
    outlined cell, once it is drawn."""
    WebDriverWait(driver, WAIT, ignored_exceptions=[StaleElementReferenceException]).until(
        lambda d: d.find_elements(By.CSS_SELECTOR, "#grid td.current"))
    td = driver.find_element(By.CSS_SELECTOR, "#grid td.current")
    row = td.find_element(By.XPATH, "./ancestor::tr")
    j = row.find_elements(By.TAG_NAME, "td").index(td)
    col = driver.find_elements(By.CSS_SELECTOR, "#grid thead th")[1 + j].text
    fixed = Select(driver.find_element(By.ID, "fix-3")).first_selected_option.text
    check("changed" in td.get_attribute("class"), f"outlined cell not marked changed")
    return (row.find_element(By.TAG_NAME, "th").text, col, fixed)


def next_difference(driver):
    """Next difference goes through the two changed cells of TRAD, one of
    them in a slice of the totalled third dimension other than the first,
    fixing that dimension to it; then says there is none after; the compare
    list gives each header's count and largest difference."""
    cells = [labels for labels, v in csv_cells("TRAD").items() if v != 0]
    picked = [cells[len(cells) // 2 + 1], cells[-1]]
    path = os.path.join(WORK, "trad.har")
    with_values(path, "TRAD", {len(cells) // 2 + 1: 1234.5, len(cells) - 1: -99.0}, sparse=True)
    with served(SAMPLE, path) as url:
        driver.get(url)
        wait = WebDriverWait(driver, WAIT, ignored_exceptions=[StaleElementReferenceException])
        wait.until(lambda d: len(d.find_elements(By.CSS_SELECTOR, "#compare-list tbody tr")) == 8)
        row = driver.find_element(By.XPATH, "//section[@id='compare']//td[text()='TRAD']/..")
        texts = [td.get_attribute("textContent") for td in row.find_elements(By.TAG_NAME, "td")]
        check(texts[2] == "2" and " at " in texts[3], f"compare list row of TRAD: {texts}")
        if SCREENSHOT:
            driver.find_element(By.CSS_SELECTOR, "[data-tab=compare]").click()
            driver.save_screenshot(SCREENSHOT.replace(".png", "-compare.png"))
        driver.find_element(By.CSS_SELECTOR, "[data-tab=headers]").click()
        driver.find_element(By.XPATH, "//td[@class='name' and text()='TRAD']").click()
        wait.until(lambda d: d.find_element(By.ID, "diff-next").is_displayed())
        start = Select(driver.find_element(By.ID, "fix-3")).first_selected_option.text
        check(start == "Total", f"third dimension starts as {start}")
        seen = []
        for _ in picked:
            driver.find_element(By.ID, "diff-next").click()
            if seen:
                wait.until(lambda d: outlined(d) != seen[-1])
            seen.append(outlined(driver))
        check(sorted(seen) == sorted(picked), f"next difference reached {seen}, changed {picked}")
        check(any(s[2] != cells[0][2] for s in seen), f"no difference outside the first slice: {seen}")
        said = driver.find_element(By.ID, "diff-text").text
        new = "-99" if seen[-1] == picked[1] else "1234.5"
        check(said.startswith(" ".join(seen[-1]) + ": OLD ") and said.endswith(f", NEW {new}"),
              f"next difference says {said!r}")
        if SCREENSHOT:
            driver.save_screenshot(SCREENSHOT.replace(".png", "-next.png"))
        # The filter leaves the rows and columns holding a changed cell: one cell here.
        driver.find_element(By.ID, "diff-only").click()
        wait.until(lambda d: [td.text for td in d.find_elements(By.CSS_SELECTOR, "#grid tbody td:not(.total)")
                              if td.is_displayed()] == [d.find_element(By.CSS_SELECTOR, "#grid td.current").text])
        driver.find_element(By.ID, "diff-only").click()
        driver.find_element(By.ID, "diff-next").click()
        wait.until(lambda d: d.find_element(By.ID, "diff-text").text == "no difference after this one")
        driver.find_element(By.ID, "diff-prev").click()
        wait.until(lambda d: outlined(d) == seen[0])
        # Compared within a tolerance that takes in both changes: no
        # difference to go to and no cell marked changed.
        driver.find_element(By.CSS_SELECTOR, "[data-tab=compare]").click()
        driver.find_element(By.ID, "tol-abs").send_keys("2000")
        driver.find_element(By.CSS_SELECTOR, "#tolerance button").click()
        wait.until(lambda d: "2000" in d.find_element(By.ID, "summary").text)
        driver.find_element(By.XPATH, "//section[@id='compare']//td[text()='TRAD']").click()
        wait.until(lambda d: d.find_element(By.ID, "diff-next").is_displayed())
        driver.find_element(By.ID, "diff-next").click()
        wait.until(lambda d: d.find_element(By.ID, "diff-text").text.startswith("no difference"))
        check(not driver.find_elements(By.CSS_SELECTOR, "#grid td.changed"), "cells marked changed within the tolerance")
        # The tolerance is kept in the address: a reload compares with it again.
        driver.refresh()
        wait.until(lambda d: "2000" in d.find_element(By.ID, "summary").get_attribute("textContent"))
        check(driver.find_element(By.ID, "tol-abs").get_attribute("value") == "2000", "tolerance after reload")


def numbers(driver):
    """NaN and infinities as harinfo prints them, a total over them marked,
    and a total of one non-zero cell equal to that cell."""
    path = os.path.join(WORK, "numbers.har")
    # PROD is COM x REG: NORTH holds 281542.8, NaN, Inf; EAST 1e-07, 0, 0.
    with_values(path, "PROD", {0: 281542.8, 1: math.nan, 2: math.inf, 3: -math.inf,
                               6: 1e-7, 7: 0.0, 8: 0.0})
    with served(path) as url:
        driver.get(url)
        wait = WebDriverWait(driver, WAIT, ignored_exceptions=[StaleElementReferenceException])
        wait.until(lambda d: d.find_elements(By.XPATH, "//td[@class='name' and text()='PROD']"))
        driver.find_element(By.XPATH, "//td[@class='name' and text()='PROD']").click()
        wait_grid(driver, "NORTH")
        cols, shown = grid(driver)
        check(shown[("MANU", "NORTH")] == "NaN", f"NaN shows as {shown[('MANU', 'NORTH')]}")
        check(shown[("SERV", "NORTH")] == "Inf", f"Inf shows as {shown[('SERV', 'NORTH')]}")
        check(shown[("AGRI", "SOUTH")] == "-Inf", f"-Inf shows as {shown[('AGRI', 'SOUTH')]}")
        check(shown[("AGRI", "EAST")] == "1e-7", f"1e-07 shows as {shown[('AGRI', 'EAST')]}")
        check(shown[("AGRI", "NORTH")] == "281542.8", f"auto shows {shown[('AGRI', 'NORTH')]}")
        foot = driver.find_elements(By.CSS_SELECTOR, "#grid tbody tr")[-1]
        totals = foot.find_elements(By.TAG_NAME, "td")
        check(totals[0].text == "NaN" and "nonfinite" in totals[0].get_attribute("class"),
              f"NORTH total {totals[0].text} not marked")
        # One non-zero cell: the column total is that cell, in either format.
        check(totals[2].text == shown[("AGRI", "EAST")], f"EAST total {totals[2].text}")
        Select(driver.find_element(By.ID, "numformat")).select_by_value("fixed")
        wait.until(lambda d: grid(d)[1][("AGRI", "NORTH")] == "281542.81")
        rows = driver.find_elements(By.CSS_SELECTOR, "#grid tbody tr")
        first = [td.text for td in rows[0].find_elements(By.TAG_NAME, "td")]
        check(first[0] == "281542.81", f"fixed shows {first[0]}")
        # The table's CSV: the stored floats at full precision.
        href = driver.find_element(By.ID, "csv-table").get_attribute("href")
        body = status(href)[1].decode()
        check(body.startswith("COM,NORTH,SOUTH,EAST,WEST,CENTRE\nAGRI,281542.8,-Inf,1e-07,"),
              f"table csv {body[:80]!r}")
        # The file rewritten on disk: the page offers Reload, which shows the
        # new numbers in the same view.
        address = driver.current_url
        with_values(path, "PROD", {0: 12.25})
        wait.until(lambda d: d.find_element(By.ID, "changed").is_displayed())
        driver.find_element(By.ID, "reload").click()
        wait.until(lambda d: grid(d)[1].get(("AGRI", "NORTH")) == "12.25")
        check(not driver.find_element(By.ID, "changed").is_displayed(), "changed note after Reload")
        check(grid(driver)[1][("MANU", "NORTH")] == "3.00", "view after Reload")
        check(driver.current_url == address, f"address after Reload {driver.current_url}")


def raw(port, request):
    """The head of the answer to `request`, sent as it is."""
    with socket.create_connection(("127.0.0.1", port), timeout=WAIT) as s:
        s.sendall(request.encode())
        data = b""
        while b"\r\n\r\n" not in data:
            more = s.recv(4096)
            if not more:
                break
            data += more
    return data.decode(errors="replace").split("\r\n\r\n")[0] + "\r\n"


def main():
    os.makedirs(WORK, exist_ok=True)
    renamed = os.path.join(WORK, "zone.har")
    if os.path.exists(renamed):
        os.remove(renamed)
    subprocess.run([MARDEX, SAMPLE, renamed, "REG", "ZONE"], check=True, capture_output=True)

    options = webdriver.ChromeOptions()
    options.binary_location = CHROMIUM
    for arg in ("--headless=new", "--no-sandbox", "--disable-gpu", "--window-size=1300,900",
                "--disable-dev-shm-usage"):
        options.add_argument(arg)
    driver = webdriver.Chrome(service=Service(executable_path=DRIVER),
                              options=options)
    atexit.register(driver.quit)
    with served(SAMPLE) as url:
        base = url.split("/?")[0]
        token = url.split("token=")[1]
        # 403 without the token, with a wrong one, and with a foreign Host.
        check(status(base + "/")[0] == 403, "page without token")
        check(status(base + "/api/headers?token=" + "0" * 32)[0] == 403, "wrong token")
        code, body = status(url, host="rebind.example:" + base.rsplit(":", 1)[1])
        check(code == 403 and b"sample" not in body, f"foreign Host gets {code}")
        check(status(url)[0] == 200, "page with token")
        # The server's own answers: 405 names what is allowed, two Host
        # headers are refused.
        port = int(base.rsplit(":", 1)[1])
        head = raw(port, f"POST /api/files?token={token} HTTP/1.1\r\nHost: 127.0.0.1:{port}\r\n"
                         "Content-Length: 0\r\n\r\n")
        check(head.startswith("HTTP/1.1 405") and "\r\nAllow: GET, HEAD\r\n" in head, f"POST: {head[:80]!r}")
        head = raw(port, f"GET /api/files?token={token} HTTP/1.1\r\nHost: 127.0.0.1:{port}\r\n"
                         f"Host: 127.0.0.1:{port}\r\n\r\n")
        check(head.startswith("HTTP/1.1 400"), f"two Hosts: {head[:80]!r}")

        driver.get(url)
        wait = WebDriverWait(driver, WAIT, ignored_exceptions=[StaleElementReferenceException])
        wait.until(lambda d: len(d.find_elements(By.CSS_SELECTOR, "#header-list tbody tr")) == 8)
        driver.find_element(By.ID, "filter").send_keys("destination")
        def visible():
            return [tr.text.split()[0] for tr in
                    driver.find_elements(By.CSS_SELECTOR, "#header-list tbody tr") if tr.is_displayed()]
        try:
            wait.until(lambda d: visible() == ["TRAD"])
        except TimeoutException:
            pass
        check(visible() == ["TRAD"], f"filter shows {visible()}")

        driver.find_element(By.XPATH, "//td[@class='name' and text()='TRAD']").click()
        wait.until(lambda d: d.find_element(By.ID, "header").is_displayed())
        Select(driver.find_element(By.ID, "numformat")).select_by_value("fixed")
        dec = driver.find_element(By.ID, "decimals")
        dec.clear()
        dec.send_keys(str(DECIMALS))
        info = json.loads(status(f"{base}/api/header?h=TRAD&token={token}")[1])
        elements = [d["elements"] for d in info["dims"]]
        cells = csv_cells("TRAD")
        # COM down, source REG across, destination REG totalled.
        wait_grid(driver, elements[1][0])
        cols, shown = grid(driver)
        matches(shown, expected(cells, ["r", "c", "t"], elements), "COM x REG, total")
        # Swapped: source REG down, COM across.
        driver.find_element(By.ID, "swap").click()
        wait_grid(driver, elements[0][0])
        matches(grid(driver)[1], expected(cells, ["c", "r", "t"], elements), "swapped")
        # Destination fixed to its third element.
        Select(driver.find_element(By.ID, "fix-3")).select_by_value("3")
        wait.until(lambda d: grid(d)[1] != shown)
        matches(grid(driver)[1], expected(cells, ["c", "r", "3"], elements), "fixed")
        # The totals column of the first row is the sum of its cells.
        first = driver.find_elements(By.CSS_SELECTOR, "#grid tbody tr")[0]
        tds = [float(td.text) for td in first.find_elements(By.TAG_NAME, "td")]
        check(abs(sum(tds[:-1]) - tds[-1]) < 1e-3 * max(1, abs(tds[-1])), f"row total {tds}")
        driver.find_element(By.ID, "shade").click()
        driver.find_element(By.CSS_SELECTOR, "#grid tbody th").click()
        wait.until(lambda d: d.find_element(By.ID, "chart").is_displayed())
        bars = driver.find_elements(By.CSS_SELECTOR, "#chart-svg rect")
        check(len(bars) == len(elements[0]), f"chart has {len(bars)} bars")
        # The view lives in the address: a reload comes back to it, with the
        # token where it was.
        before = grid(driver)
        address = driver.current_url
        check("?token=" + token + "#" in address and "sel=c%2Cr%2C3" in address, f"address {address}")
        driver.refresh()
        wait.until(lambda d: d.find_elements(By.ID, "fix-3") and grid(d) == before)
        check(Select(driver.find_element(By.ID, "fix-3")).first_selected_option.get_attribute("value") == "3",
              "fixed element after reload")
        check(driver.find_element(By.ID, "chart").is_displayed(), "chart after reload")
        check(driver.find_element(By.ID, "numformat").get_attribute("value") == "fixed", "format after reload")
        if SCREENSHOT:
            driver.find_element(By.ID, "chart").location_once_scrolled_into_view
            driver.execute_script("window.scrollTo(0, 0)")
            driver.save_screenshot(SCREENSHOT)

    # The comparison with the renamed copy: marks as `harinfo diff` has them.
    with served(SAMPLE, renamed) as url:
        diff = json.loads(subprocess.run([HARINFO, "diff", "--json", SAMPLE, renamed],
                                         capture_output=True, text=True).stdout)
        driver.get(url)
        wait = WebDriverWait(driver, WAIT, ignored_exceptions=[StaleElementReferenceException])
        wait.until(lambda d: len(d.find_elements(By.CSS_SELECTOR, "#header-list tbody tr .mark")) == 8)
        marks = {tr.find_element(By.CSS_SELECTOR, ".name").text: tr.find_element(By.CSS_SELECTOR, ".mark").text
                 for tr in driver.find_elements(By.CSS_SELECTOR, "#header-list tbody tr")}
        for h in diff["headers"]:
            want = "equal" if h["labels_equal"] and h["values_equal"] else "labels changed"
            check(marks.get(h["name"]) == want, f"{h['name']} marked {marks.get(h['name'])}, diff says {want}")
        check("labels changed" in marks.values(), f"no labels changed among {marks}")
        driver.find_element(By.CSS_SELECTOR, "[data-tab=compare]").click()
        summary = driver.find_element(By.ID, "summary").text
        check(summary.startswith("Summary: set REG renamed to ZONE"), f"summary {summary!r}")
        driver.find_element(By.XPATH, "//section[@id='compare']//td[text()='PROD']").click()
        wait.until(lambda d: len(d.find_elements(By.CSS_SELECTOR, "#grid tbody td")) > 0)
        check(not driver.find_elements(By.CSS_SELECTOR, "#grid td.changed"), "PROD cells marked changed")
        # Switching the file shown, then showing the difference, keeps the
        # header, its fixed dimension and the arrangement.
        driver.find_element(By.CSS_SELECTOR, "[data-tab=headers]").click()
        driver.find_element(By.XPATH, "//td[@class='name' and text()='TRAD']").click()
        wait.until(lambda d: d.find_elements(By.ID, "fix-3"))
        Select(driver.find_element(By.ID, "fix-3")).select_by_value("2")
        driver.find_element(By.ID, "swap").click()
        wait.until(lambda d: "sel=c%2Cr%2C2" in d.current_url)
        old = grid(driver)
        Select(driver.find_element(By.ID, "file")).select_by_value("1")
        wait.until(lambda d: "file=1" in d.current_url and grid(d) == old)
        check(Select(driver.find_element(By.ID, "fix-3")).first_selected_option.get_attribute("value") == "2",
              "fixed element after switching the file")
        Select(driver.find_element(By.ID, "diffmode")).select_by_value("abs")
        wait.until(lambda d: set(grid(d)[1].values()) == {"0"})
        check("sel=c%2Cr%2C2" in driver.current_url, f"view after difference: {driver.current_url}")
    next_difference(driver)
    numbers(driver)
    print(f"{len(failures)} failures")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
