"""m8sim's web panel in a real browser: headless Chromium driven by Selenium.

Starts "m8sim serve" on a fresh handset home, then works the page as a user would: a call from
the call form, a refused input, a tilt of the accelerometer read back by another program, a
call made by another m8sim process that the page must show live, the journal's filter, a
snapshot and its diff, and the server's refusal of foreign Host and Origin headers. A screenshot
of the page is saved in the output folder whatever the outcome.

Usage: panel_browser_test.py M8SIM OUTPUT_DIR
       panel_browser_test.py --screenshot-only M8SIM PNG_PATH
The second form only loads a fresh default handset's panel, makes one call and saves the picture.
Exit codes: 0 passed, 1 failed, 77 skipped (no Chromium, ChromeDriver or Selenium here).
"""

import argparse
import json
import os
import queue
import re
import shutil
import signal
import subprocess
import sys
import tempfile
import threading
import urllib.error
import urllib.request

SKIP = 77
WAIT_SECONDS = 20
WINDOW_SIZE = "1280,1200"
URL_LINE = re.compile(r"^serving (?P<home>.+) at (?P<url>http://127\.0\.0\.1:\d+/)$")

try:
    from selenium import webdriver
    from selenium.common.exceptions import (
        ElementNotInteractableException,
        NoSuchElementException,
        StaleElementReferenceException,
        TimeoutException,
        WebDriverException,
    )
    from selenium.webdriver.chrome.service import Service
    from selenium.webdriver.common.by import By
    from selenium.webdriver.common.keys import Keys
    from selenium.webdriver.support.ui import Select, WebDriverWait
except ImportError:
    webdriver = None


class CheckFailed(Exception):
    """A check of the panel did not hold; the message says what was expected and what was seen."""


# --- the server --------------------------------------------------------------------------------


class Server:
    """One "m8sim serve" process on a handset home, with the URL it printed."""

    def __init__(self, m8sim, home):
        self.process = subprocess.Popen(
            [m8sim, "--handset", home, "serve", "--port", "0"],
            stdout=subprocess.PIPE,
            stdin=subprocess.DEVNULL,
            text=True,
        )
        # A reader thread keeps the pipe drained, so a chatty server never blocks on it.
        self.lines = queue.Queue()
        threading.Thread(target=self._read_stdout, daemon=True).start()
        try:
            self.url = self._await_url(home)
        except CheckFailed:
            self.process.kill()
            self.process.wait()
            raise

    def _read_stdout(self):
        for line in self.process.stdout:
            self.lines.put(line.rstrip("\n"))
        self.lines.put(None)

    def _await_url(self, home):
        try:
            line = self.lines.get(timeout=WAIT_SECONDS)
        except queue.Empty:
            raise CheckFailed(f"m8sim serve printed no line within {WAIT_SECONDS} s") from None
        if line is None:
            raise CheckFailed(f"m8sim serve ended before listening (exit {self.process.wait()})")
        match = URL_LINE.match(line)
        if not match:
            raise CheckFailed(f"m8sim serve's first line is not 'serving HOME at URL': {line!r}")
        if os.path.realpath(match["home"]) != os.path.realpath(home):
            raise CheckFailed(f"m8sim serve names home {match['home']!r}, expected {home!r}")
        return match["url"]

    def stop(self):
        """Sends SIGTERM and expects a clean exit 0."""
        if self.process.poll() is not None:
            raise CheckFailed(f"m8sim serve had already ended (exit {self.process.returncode})")
        self.process.send_signal(signal.SIGTERM)
        try:
            code = self.process.wait(timeout=WAIT_SECONDS)
        except subprocess.TimeoutExpired:
            self.process.kill()
            self.process.wait()
            raise CheckFailed(f"m8sim serve still ran {WAIT_SECONDS} s after SIGTERM") from None
        if code != 0:
            raise CheckFailed(f"m8sim serve ended with exit {code} on SIGTERM, expected 0")


def run_m8sim(m8sim, home, *args):
    """Runs m8sim on the home in a process of its own; its stdout, or a failure on exit != 0."""
    done = subprocess.run(
        [m8sim, "--handset", home, *args],
        capture_output=True,
        text=True,
        timeout=WAIT_SECONDS,
        check=False,
    )
    if done.returncode != 0:
        raise CheckFailed(f"m8sim {' '.join(args)} exited {done.returncode}: {done.stderr.strip()}")
    return done.stdout


def http_status(url, headers):
    """The HTTP status the server answers a GET of url with, sent with the given headers."""
    request = urllib.request.Request(url, headers=headers)
    try:
        with urllib.request.urlopen(request, timeout=WAIT_SECONDS) as response:
            return response.status
    except urllib.error.HTTPError as error:
        return error.code


# --- the browser -------------------------------------------------------------------------------


def start_browser():
    """A headless Chromium at a fixed window size, driven through the system's ChromeDriver."""
    options = webdriver.ChromeOptions()
    options.binary_location = shutil.which("chromium")
    for argument in (
        "--headless=new",
        "--no-sandbox",  # the tests run as root, where Chromium's sandbox cannot start
        "--disable-dev-shm-usage",
        f"--window-size={WINDOW_SIZE}",
    ):
        options.add_argument(argument)
    options.set_capability("goog:loggingPrefs", {"browser": "SEVERE"})
    return webdriver.Chrome(service=Service(shutil.which("chromedriver")), options=options)


def wait_for(driver, condition, expected):
    """Waits (bounded) until condition(driver) is truthy and returns it; fails naming expected."""
    wait = WebDriverWait(
        driver,
        WAIT_SECONDS,
        ignored_exceptions=(
            ElementNotInteractableException,
            NoSuchElementException,
            StaleElementReferenceException,
        ),
    )
    try:
        return wait.until(condition)
    except TimeoutException:
        raise CheckFailed(f"within {WAIT_SECONDS} s: expected {expected}") from None


def text_of(driver, selector):
    return driver.find_element(By.CSS_SELECTOR, selector).text.strip()


def wait_for_text(driver, selector, wanted):
    """Waits until the element's text equals wanted; the failure names what the page showed."""
    try:
        wait_for(driver, lambda d: text_of(d, selector) == wanted, f"{selector} = {wanted!r}")
    except CheckFailed as failure:
        found = driver.find_elements(By.CSS_SELECTOR, selector)
        shown = repr(found[0].text.strip()) if found else "no such element"
        raise CheckFailed(f"{failure}; shown: {shown}") from None


def fill(driver, selector, value):
    field = driver.find_element(By.CSS_SELECTOR, selector)
    field.clear()
    field.send_keys(str(value))


def is_live(driver):
    return driver.execute_script("return document.body.dataset.live") == "1"


def titled(group, command):
    """Whether the journal group is the one of command (its title may go on with the result)."""
    title = group.find_element(By.CSS_SELECTOR, ".group-title").text.strip()
    return title == command or title.startswith(command + " ")


def newest_group(driver):
    return driver.find_element(By.CSS_SELECTOR, "#journal .group")


def group_titled(driver, command):
    for group in driver.find_elements(By.CSS_SELECTOR, "#journal .group"):
        if titled(group, command):
            return group
    return None


def choose_export(driver, export, count):
    """Names the export in the call form as a user does (type, leave the field); returns the
    (name, data-type) of its parameter inputs once there are count of them."""
    fill(driver, "#call-export", export + Keys.TAB)

    def params(d):
        inputs = d.find_elements(By.CSS_SELECTOR, "#call-params input")
        if len(inputs) != count:
            return None
        # In a tuple, so that an export without parameters ends the wait too.
        return ([(i.get_attribute("name"), i.get_attribute("data-type")) for i in inputs],)

    wanted = f"{count} parameter input(s) for {export} in #call-params"
    return wait_for(driver, params, wanted)[0]


def run_call(driver, args):
    """Fills the call form's parameter inputs with args and runs the call."""
    wanted = [str(value) for value in args]

    def filled(d):
        # Retried while the form still rebuilds its inputs for the export just named.
        inputs = d.find_elements(By.CSS_SELECTOR, "#call-params input")
        if len(inputs) != len(wanted):
            return False
        for field, value in zip(inputs, wanted):
            field.clear()
            field.send_keys(value)
        return [field.get_property("value") for field in inputs] == wanted

    wait_for(driver, filled, f"#call-params inputs holding {wanted}")
    driver.find_element(By.CSS_SELECTOR, "#call-run").click()


def call_from_form(driver, export, args):
    choose_export(driver, export, len(args))
    run_call(driver, args)


# --- the checks, in the order they run ---------------------------------------------------------


def check_live(driver, url):
    driver.get(url)
    wait_for(driver, is_live, 'body[data-live="1"] once the event stream delivered the state')


def check_call_form(driver):
    """SetBackLightLevelEx(40) from the form: its result, its journal group and the new level."""
    params = choose_export(driver, "SetBackLightLevelEx", 1)
    if params != [("dwLevel", "DWORD")]:
        raise CheckFailed(f"SetBackLightLevelEx's inputs are {params}, expected dwLevel DWORD")
    run_call(driver, [40])
    wait_for(driver, lambda d: "-> 1" in text_of(d, "#call-result"), '#call-result with "-> 1"')
    wait_for(
        driver,
        lambda d: titled(newest_group(d), "call SetBackLightLevelEx 40")
        and newest_group(d).find_elements(By.CSS_SELECTOR, '.entry[data-kind="device.write"]'),
        'newest journal group "call SetBackLightLevelEx 40" with a device.write entry',
    )
    write = newest_group(driver).find_element(By.CSS_SELECTOR, '.entry[data-kind="device.write"]')
    if "BKL1:" not in write.text:
        raise CheckFailed(f"the call's device.write entry does not name BKL1: {write.text!r}")
    wait_for_text(driver, "#backlight-level", "40")


def check_refused_input(driver, url):
    """A parameter that is not a number: the form shows why, the page and server carry on."""
    call_from_form(driver, "SetBackLightLevelEx", ["abc"])
    wait_for(driver, lambda d: text_of(d, "#call-error"), "#call-error non-empty for 'abc'")
    if not is_live(driver):
        raise CheckFailed("the page is no longer live after a refused input")
    if http_status(url + "api/state", {}) != 200:
        raise CheckFailed("the server does not answer /api/state after a refused input")


def check_journal_filter(driver):
    """Choosing the devices' kind in #journal-kind hides the other entries, and only them."""
    select = Select(driver.find_element(By.CSS_SELECTOR, "#journal-kind"))
    kinds = [option.get_property("value") for option in select.options]
    # An option stands for every kind its value begins ("device" for "device.write").
    devices = next((kind for kind in kinds if kind and "device.write".startswith(kind)), None)
    if devices is None:
        raise CheckFailed(f"#journal-kind offers nothing for device.write; it offers {kinds}")

    # QueryNetWorkStatus only traces: an entry the filter must hide.
    call_from_form(driver, "QueryNetWorkStatus", [])

    def other_entry(d):
        group = group_titled(d, "call QueryNetWorkStatus")
        entries = group.find_elements(By.CSS_SELECTOR, ".entry") if group else []
        return next((e for e in entries if not e.get_attribute("data-kind").startswith(devices)),
                    None)

    other = wait_for(driver, other_entry, "a journal group for QueryNetWorkStatus with its trace")
    initial = select.first_selected_option.get_property("index")
    select.select_by_index(kinds.index(devices))

    def only_devices_shown(d):
        shown = [e for e in d.find_elements(By.CSS_SELECTOR, "#journal .entry") if e.is_displayed()]
        return shown and all(e.get_attribute("data-kind").startswith(devices) for e in shown)

    wait_for(driver, only_devices_shown, f"only (and some) {devices}* entries shown")
    select.select_by_index(initial)
    wait_for(driver, lambda d: other.is_displayed(), "the trace shown again with the filter off")


def check_tilt(driver, m8sim, home):
    """The tilt form moves the accelerometer, as another program reading the handset sees."""
    for axis, value in (("x", -5), ("y", 10), ("z", 0)):
        fill(driver, f"#tilt-{axis}", value)
    driver.find_element(By.CSS_SELECTOR, "#tilt").click()
    wait_for_text(driver, "#acc-axes", "x -5, y 10, z 0")
    # Another program reads the axes through the library: it opens the accelerometer, then reads.
    output = run_m8sim(m8sim, home, "--json", "call", "AccAPIOpen", "+", "AccAPIGetXYZ",
                       "out", "out", "out")
    calls = [r for r in map(json.loads, output.splitlines()) if r.get("type") == "call"]
    outputs = calls[-1]["outputs"] if calls else {}
    axes = tuple(outputs.get(name) for name in ("pX", "pY", "pZ"))
    if axes != (-5, 10, 0):
        raise CheckFailed(f"AccAPIGetXYZ reads {axes} in another process, expected (-5, 10, 0)")


def check_other_process(driver, m8sim, home):
    """A call made by another m8sim process reaches the page live."""
    run_m8sim(m8sim, home, "call", "SetBackLightLevelEx", "90")
    wait_for_text(driver, "#backlight-level", "90")
    wait_for(
        driver,
        lambda d: group_titled(d, "call SetBackLightLevelEx 90"),
        'a journal group titled "call SetBackLightLevelEx 90"',
    )


def check_snapshot_diff(driver):
    """A snapshot taken from the page, a change, and the diff that shows it."""
    fill(driver, "#snapshot-name", "before")
    driver.find_element(By.CSS_SELECTOR, "#snapshot-take").click()
    wait_for_text(driver, "#snapshot-output", 'kept as "before"')
    call_from_form(driver, "SettingApiSetFlyModeReg", [1])
    wait_for_text(driver, "#radio-flight", "on")
    driver.find_element(By.CSS_SELECTOR, "#snapshot-diff").click()
    wait_for(
        driver,
        lambda d: '"FlyModeFlag"' in text_of(d, "#snapshot-output"),
        '#snapshot-output naming the changed "FlyModeFlag"',
    )


def check_foreign_requests(url):
    """The server answers only requests for its own address, from its own origin."""
    state = url + "api/state"
    own_origin = url.rstrip("/")
    for headers, wanted in (
        ({"Host": "evil.example"}, 403),
        ({"Origin": "http://evil.example"}, 403),
        ({"Origin": own_origin}, 200),
    ):
        status = http_status(state, headers)
        if status != wanted:
            raise CheckFailed(f"GET /api/state with {headers} answered {status}, expected {wanted}")


# --- main --------------------------------------------------------------------------------------


def browser_missing():
    """What is missing to drive a browser here, or None."""
    if webdriver is None:
        return "Selenium (python3-selenium)"
    for program in ("chromium", "chromedriver"):
        if shutil.which(program) is None:
            return program
    return None


def save_screenshot(driver, path):
    if driver is None:
        return
    try:
        driver.save_screenshot(path)
        print(f"screenshot: {path}")
    except WebDriverException as error:
        print(f"no screenshot: {error.msg}", file=sys.stderr)


def print_console_errors(driver):
    if driver is None:
        return
    try:
        for entry in driver.get_log("browser"):
            print(f"browser console: {entry['message']}", file=sys.stderr)
    except WebDriverException:
        pass


def run_checks(driver, server, m8sim, home, screenshot_only):
    """Runs the checks in order; a failure names the check it happened in."""
    checks = [
        ("the page goes live", lambda: check_live(driver, server.url)),
        ("a call from the form", lambda: check_call_form(driver)),
    ]
    if not screenshot_only:
        checks += [
            ("a refused input", lambda: check_refused_input(driver, server.url)),
            ("a tilt", lambda: check_tilt(driver, m8sim, home)),
            ("a call by another process", lambda: check_other_process(driver, m8sim, home)),
            ("the journal filter", lambda: check_journal_filter(driver)),
            ("a snapshot and its diff", lambda: check_snapshot_diff(driver)),
            ("foreign Host and Origin", lambda: check_foreign_requests(server.url)),
        ]
    for name, check in checks:
        try:
            check()
        except WebDriverException as error:
            raise CheckFailed(f"{name}: {error.msg}") from None
        except (CheckFailed, OSError, subprocess.TimeoutExpired, ValueError, KeyError) as error:
            raise CheckFailed(f"{name}: {error}") from None


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("m8sim", help="the m8sim program")
    parser.add_argument("output", help="folder for panel.png (--screenshot-only: the PNG file)")
    parser.add_argument("--screenshot-only", action="store_true",
                        help="only load the panel, make one call and save the screenshot")
    args = parser.parse_args()

    missing = browser_missing()
    if missing:
        print(f"skipped: {missing} is not installed", file=sys.stderr)
        return SKIP

    if args.screenshot_only:
        screenshot = os.path.abspath(args.output)
        os.makedirs(os.path.dirname(screenshot), exist_ok=True)
    else:
        os.makedirs(args.output, exist_ok=True)
        screenshot = os.path.join(os.path.abspath(args.output), "panel.png")

    m8sim = os.path.abspath(args.m8sim)
    failure = None
    with tempfile.TemporaryDirectory(prefix="m8-panel-") as work:
        home = os.path.join(work, "handset")
        server = driver = None
        try:
            server = Server(m8sim, home)
            driver = start_browser()
            run_checks(driver, server, m8sim, home, args.screenshot_only)
        except WebDriverException as error:
            failure = error.msg
            print_console_errors(driver)
        except (CheckFailed, OSError, subprocess.TimeoutExpired) as error:
            failure = str(error)
            print_console_errors(driver)
        finally:
            save_screenshot(driver, screenshot)
            if driver is not None:
                driver.quit()
            if server is not None:
                try:
                    server.stop()
                except CheckFailed as error:
                    failure = failure or str(error)

    if failure:
        print(f"FAILED: {failure}", file=sys.stderr)
        return 1
    print("panel browser test passed" if not args.screenshot_only else "panel screenshot taken")
    return 0


if __name__ == "__main__":
    sys.exit(main())
