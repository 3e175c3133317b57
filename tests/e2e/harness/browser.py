"""The web page in Debian's Chromium, headless, driven by Debian's Selenium: loaded from disk,
with no server and no network, as a reader opens the file."""
import os

from selenium import webdriver
from selenium.webdriver.chrome.options import Options
from selenium.webdriver.chrome.service import Service
from selenium.webdriver.common.action_chains import ActionChains
from selenium.webdriver.common.by import By

from harness import until

# As root with no network: no sandbox, and none of the background services that would try to
# reach Google's hosts.
CHROMIUM_FLAGS = ["--headless", "--no-sandbox", "--disable-gpu", "--disable-quic", "--no-first-run",
                  "--disable-background-networking", "--disable-component-update", "--disable-sync",
                  "--window-size=1000,2000"]


def page_file():
    """The page scripts/web.sh built, or the one WEB_PAGE names."""
    here = os.path.dirname(os.path.abspath(__file__))
    return os.environ.get("WEB_PAGE") or os.path.join(here, "..", "..", "..", "build", "web", "sparkfield-boxpair.html")


class Page:
    """The page, opened afresh: what it reports, and a reader's hands on it."""

    def __init__(self, driver):
        self.driver = driver
        driver.get("file://" + os.path.abspath(page_file()))
        until(lambda: self.script("return document.body.dataset.ready") == "yes", "the page to start")

    def script(self, text, *arguments):
        return self.driver.execute_script(text, *arguments)

    def element(self, name):
        return self.driver.find_element(By.ID, name)

    def lines(self):
        return self.element("boxpair-output").text.splitlines()

    def frames(self):
        return int(self.element("boxpair-output").get_attribute("data-lines"))

    def wait_frames(self, count):
        """Until `count` more of boxpair's frames have run."""
        target = self.frames() + count
        until(lambda: self.frames() >= target, f"{count} more frames")

    def wait_reports(self, count):
        """Until the page has reported its frames' work `count` more times (once every 30)."""
        for _ in range(count):
            before = self.script("return document.body.dataset.workMs")
            until(lambda: self.script("return document.body.dataset.workMs") != before, "the page's next report")

    def click_at(self, canvas, x, y):
        """A click on the canvas's own pixel (x, y), the canvas drawn at its size."""
        self.actions().move_to_element_with_offset(*self.at(canvas, x, y)).click().perform()

    def at(self, canvas, x, y):
        element = self.element(canvas)
        return element, x - element.size["width"] / 2, y - element.size["height"] / 2

    def actions(self):
        return ActionChains(self.driver)

    def lit_pixels(self):
        """sparkfield's picture as drawn, with the fountain's age then: [(x, y, grey)...], seconds."""
        return self.script("""
            const canvas = document.getElementById("sparkfield");
            const data = canvas.getContext("2d").getImageData(0, 0, canvas.width, canvas.height).data;
            const lit = [];
            for (let i = 0; i < data.length; i += 4)
                if (data[i] > 0)
                    lit.push([(i / 4) % canvas.width, Math.floor(i / 4 / canvas.width), data[i]]);
            return [lit, Number(canvas.dataset.age)];""")


def chromium(profile):
    """Chromium with a new, empty profile in the folder `profile`."""
    options = Options()
    options.binary_location = "/usr/bin/chromium"
    for flag in CHROMIUM_FLAGS + [f"--user-data-dir={profile}"]:
        options.add_argument(flag)
    return webdriver.Chrome(service=Service("/usr/bin/chromedriver"), options=options)
