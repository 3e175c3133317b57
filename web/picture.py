#!/usr/bin/python3
"""Takes the README's picture of the web page: the page in headless Chromium with every overlay
of the chase on, a few seconds in, scaled to half its size.
    web/picture.py PAGE OUTPUT.png"""
import io
import os
import sys
import tempfile

from PIL import Image

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tests", "e2e"))
from harness import until  # noqa: E402
from harness.browser import Page, chromium  # noqa: E402

page_file, output = sys.argv[1:3]
os.environ["WEB_PAGE"] = page_file
with tempfile.TemporaryDirectory() as profile:
    driver = chromium(profile)
    try:
        driver.set_window_size(900, 1900)
        page = Page(driver)
        for overlay in ("boxpair-field", "boxpair-trail", "boxpair-radians"):
            page.element(overlay).click()
        until(lambda: page.frames() >= 240, "four seconds of the chase")
        page.element("boxpair-pause").click()
        picture = Image.open(io.BytesIO(driver.get_screenshot_as_png())).convert("RGB")
    finally:
        driver.quit()
picture = picture.crop((0, 0, picture.width, min(picture.height, 1800)))
picture.resize((picture.width // 2, picture.height // 2), Image.LANCZOS).save(output, optimize=True)
