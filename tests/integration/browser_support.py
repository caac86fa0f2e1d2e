"""The board in a real browser: Debian's chromium driven through chromedriver, headless, with a
profile of its own and nothing that reaches beyond this machine. Waiting is on conditions in the
page with deadlines, never with sleeps."""

import shutil
import tempfile
from pathlib import Path

from conftest import TIMEOUT, VELKO
from selenium import webdriver
from selenium.common.exceptions import JavascriptException
from selenium.webdriver.chrome.service import Service
from selenium.webdriver.common.by import By
from selenium.webdriver.support.ui import WebDriverWait

CHROMIUM = "/usr/bin/chromium"
CHROMEDRIVER = "/usr/bin/chromedriver"
FLAGS = ["--headless", "--no-sandbox", "--disable-gpu", "--disable-quic", "--no-first-run",
         "--disable-background-networking", "--disable-component-update", "--disable-sync",
         "--disable-dev-shm-usage"]
# Copies of the screenshots for a person to look at, beside the build's programs.
SCREENSHOTS = Path(VELKO).resolve().parents[1] / "screenshots"
# The languages a reader's browser names, first the one it prefers, as a browser set up in that
# language sends them.
LANGUAGES = {"en": "en-US,en", "ko": "ko-KR,ko,en-US,en"}


class Browser:
    def __init__(self, width=1280, height=900, language="en"):
        self.profile = tempfile.TemporaryDirectory(prefix="velko-browser-")
        options = webdriver.ChromeOptions()
        options.binary_location = CHROMIUM
        for flag in FLAGS + [f"--user-data-dir={self.profile.name}", f"--lang={language}"]:
            options.add_argument(flag)
        options.add_experimental_option("prefs", {"intl.accept_languages": LANGUAGES[language]})
        options.set_capability("goog:loggingPrefs", {"browser": "ALL"})
        self.driver = webdriver.Chrome(service=Service(CHROMEDRIVER), options=options)
        self.view(width, height)

    def view(self, width, height=900, scheme="light"):
        """The viewport's size and the reader's colour preference (headless windows have a
        least width, so the size is emulated)."""
        self.driver.execute_cdp_cmd("Emulation.setDeviceMetricsOverride", {
            "width": width, "height": height, "deviceScaleFactor": 1, "mobile": width < 600})
        self.driver.execute_cdp_cmd("Emulation.setEmulatedMedia", {
            "features": [{"name": "prefers-color-scheme", "value": scheme}]})

    def open(self, url):
        self.driver.get(url)

    def run(self, script, *args):
        return self.driver.execute_script(script, *args)

    def until(self, script, *args, seconds=None):
        """The first truthy value of the script, run until the deadline."""
        def value(_):
            try:
                return self.run(script, *args)
            except JavascriptException:
                return None
        return WebDriverWait(self.driver, TIMEOUT if seconds is None else seconds,
                             poll_frequency=0.05).until(value, f"never true: {script}")

    def texts(self, selector):
        return [item.text for item in self.driver.find_elements(By.CSS_SELECTOR, selector)]

    def log_ids(self):
        """The ids of the calls the log shows, top to bottom."""
        return self.run("return [...document.querySelectorAll('#calls > li')]"
                        ".map((item) => Number(item.dataset.id))")

    def console_errors(self):
        return [entry for entry in self.driver.get_log("browser") if entry["level"] == "SEVERE"]

    def run_async(self, script, *args):
        """The value the script passes to its last argument, a callback."""
        return self.driver.execute_async_script(script, *args)

    def screenshot(self, folder, name, width, scheme):
        """The whole page at the width and colour scheme, saved as folder/name.png and copied
        to SCREENSHOTS."""
        self.view(width, 900, scheme)
        height = self.run("return document.documentElement.scrollHeight")
        self.view(width, min(height, 2400), scheme)
        path = folder / f"{name}.png"
        self.driver.save_screenshot(str(path))
        SCREENSHOTS.mkdir(parents=True, exist_ok=True)
        shutil.copy(path, SCREENSHOTS / path.name)
        return path

    def close(self):
        self.driver.quit()
        self.profile.cleanup()
